# W3 string building
use strict;
use warnings;

sub main {
    my ($n) = @_;
    my $c = 0;
    my $k = 0;
    my $m = "";
    while ($k < $n) {
        $k = $k + 1;
        my $s = "";
        my $j = 0;
        while ($j < 200) {
            $s = $s . chr(65 + ($j % 26));
            $j = $j + 1;
        }
        my $l = length($s);
        $m = substr($s, 99, 10);
        $c = $c + $l + ord($m);
    }
    print "$c $m\n";
}

main($ARGV[0] + 0);
