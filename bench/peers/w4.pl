# W4 procedure calls
use strict;
use warnings;

sub add2 { my ($x, $y) = @_; return $x + $y }

sub main {
    my ($n) = @_;
    my $s = 0;
    my $i = 0;
    while ($i < $n) {
        $i = $i + 1;
        $s = add2($s, 3);
    }
    print "$s\n";
}

main($ARGV[0] + 0);
