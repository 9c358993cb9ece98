# W2 float arithmetic
use strict;
use warnings;

sub main {
    my ($r) = @_;
    my $t = 0.0;
    my $p = 0;
    while ($p < $r) {
        $p = $p + 1;
        my $x = 0.0;
        my $i = 0;
        while ($i < 10000) {
            $i = $i + 1;
            $x = $x * 1.000001 + 0.5;
        }
        $t = $t + $x;
    }
    printf("%.17g\n", $t);
}

main($ARGV[0] + 0);
