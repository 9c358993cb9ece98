#!/usr/bin/perl
# Prints every record of a table as Perl's XBase module reads it: one line
# per record, the deletion flag and the fields in hex, separated by tabs.
use strict;
use warnings;
use XBase;

my $table = XBase->new(name => $ARGV[0]) or die XBase->errstr;
print "FIELDS\t", join("\t", $table->field_names), "\n";
for my $i (0 .. $table->last_record) {
    my @values = $table->get_record($i) or die $table->errstr;
    print join("\t", map { defined $_ ? unpack("H*", $_) : "-" } @values), "\n";
}
$table->close;
