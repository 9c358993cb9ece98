# W1 integer loop
use strict;
use warnings;

sub main {
    my ($n) = @_;
    my $s = 0;
    my $i = 0;
    while ($i < $n) {
        $i = $i + 1;
        $s = $s + $i;
        if ($s > 999999999) { $s = $s - 1000000000; }
    }
    print "$s\n";
}

main($ARGV[0] + 0);
