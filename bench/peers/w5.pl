# W5 array work (indices 0..9999)
use strict;
use warnings;

sub main {
    my ($r) = @_;
    my @a = (0) x 10000;
    my $s = 0;
    my $p = 0;
    while ($p < $r) {
        $p = $p + 1;
        my $k = 0;
        while ($k < 10000) {
            $a[$k] = $k + $p;
            $k = $k + 1;
        }
        $s = 0;
        $k = 0;
        while ($k < 10000) {
            $s = $s + $a[$k];
            $k = $k + 1;
        }
    }
    print "$s\n";
}

main($ARGV[0] + 0);
