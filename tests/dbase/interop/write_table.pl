#!/usr/bin/perl
# Writes a dBASE IV table with a DBT memo from a plan file with Perl XBase,
# an implementation independent of ours.
#   write_table.pl DIR BASE PLAN   (writes BASE.dbf and BASE.dbt)
# Plan lines (tab separated): deleted(0/1) title_hex price bought(YYYYMMDD) read(T/F) notes_hex;
# an empty column is a blank value.
use strict;
use warnings;
use XBase;

my ($dir, $name, $plan) = @ARGV;
die "usage: write_table.pl DIR BASE PLAN\n" unless defined $plan;
open(my $in, '<', $plan) or die "$plan: $!\n";
binmode $in;
chdir $dir or die "$dir: $!\n";

my $table = XBase->create(
  name => $name,
  version => 0x8B,
  field_names => [qw(TITLE PRICE BOUGHT READ NOTES)],
  field_types => [qw(C N D L M)],
  field_lengths => [40, 8, 8, 1, 10],
  field_decimals => [0, 2, 0, 0, 0],
) or die XBase->errstr;

my $recno = 0;
while (my $line = <$in>) {
  chomp $line;
  my ($deleted, $title, $price, $bought, $read, $notes) = split /\t/, $line, -1;
  my @values = (
    pack('H*', $title),
    $price eq '' ? undef : $price,
    $bought eq '' ? undef : $bought,   # undef, not "", is a blank date
    $read eq '' ? undef : ($read eq 'T' ? 1 : 0),
    $notes eq '' ? undef : pack('H*', $notes),
  );
  $table->set_record($recno, @values) or die $table->errstr;
  $table->delete_record($recno) if $deleted;
  ++$recno;
}
$table->close;
