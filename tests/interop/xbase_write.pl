#!/usr/bin/perl
# Writes a table with Perl's XBase module: the layout from the command line,
# the records from standard input, one per line, fields in hex separated by
# tabs ("-" for a field left empty).
use strict;
use warnings;
use XBase;

my ($name, @layout) = @ARGV;
my (@names, @types, @lengths, @decimals);
for (@layout) {
    my ($n, $t, $l, $d) = split /,/;
    push @names, $n; push @types, $t; push @lengths, $l; push @decimals, $d;
}
my $table = XBase->create(name => $name, version => 3, field_names => \@names, field_types => \@types,
                          field_lengths => \@lengths, field_decimals => \@decimals) or die XBase->errstr;
my $n = 0;
while (my $line = <STDIN>) {
    chomp $line;
    my @values = map { $_ eq "-" ? undef : pack("H*", $_) } split /\t/, $line, -1;
    $table->set_record($n++, @values) or die $table->errstr;
}
$table->close;
