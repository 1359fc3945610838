#!/usr/bin/perl
# Prints every record (deleted ones too) of a table written by us, as Perl
# XBase reads it, in the plan format of write_table.pl.
#   read_table.pl FILE.DBF
use strict;
use warnings;
use XBase;

my $file = shift or die "usage: read_table.pl FILE.DBF\n";
my $table = XBase->new($file) or die XBase->errstr;
binmode STDOUT;
my @names = $table->field_names;
my @types = $table->field_types;
print join("\t", map { "$names[$_]:$types[$_]:" . $table->field_length($names[$_]) . ':' .
                       $table->field_decimal($names[$_]) } 0 .. $#names), "\n";
for my $i (0 .. $table->last_record) {
  my ($deleted, $title, $price, $bought, $read, $notes) = $table->get_record($i);
  die $table->errstr unless defined $deleted;
  $title = '' unless defined $title;
  $title =~ s/ +$//;
  print join("\t",
    $deleted ? 1 : 0,
    unpack('H*', $title),
    defined $price ? sprintf('%.2f', $price) : '',
    defined $bought ? sprintf('%08d', $bought) : '',
    defined $read ? ($read ? 'T' : 'F') : '',
    defined $notes ? unpack('H*', $notes) : ''), "\n";
}
