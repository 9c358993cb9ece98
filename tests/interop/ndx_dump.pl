#!/usr/bin/perl
# Walks an NDX index with Perl's XBase index reader and prints its header
# line, then one line per entry: the key (hex bytes for a character index,
# the number for a numeric one) and the record number, separated by a tab.
use strict;
use warnings;
use XBase::Index;

my $index = XBase::Index->new($ARGV[0]) or die XBase::Index->errstr;
print "EXPR\t$index->{'key_string'}\tTYPE\t$index->{'key_type'}\n";
$index->prepare_select or die $index->errstr;
while (my ($key, $record) = $index->fetch) {
    my $text = $index->{'key_type'} ? sprintf("%.17g", $key) : unpack("H*", $key);
    print "$text\t$record\n";
}
