# W6 label jumps
use strict;
use warnings;

sub main {
    my ($n) = @_;
    my $i = 0;
    my $s = 0;
  TOP:
    $i = $i + 1;
    $s = $s + 3;
    if ($i < $n) { goto TOP; }
    print "$i $s\n";
}

main($ARGV[0] + 0);
