#!/usr/bin/perl
# Writes a dBASE IV (or III) table with a DBT memo from a plan file with Perl
# XBase, an implementation independent of ours.
#   write_table.pl DIR BASE PLAN [VERSION]   (writes BASE.dbf and BASE.dbt;
#   VERSION 0x8B by default, 0x83 for dBASE III memos)
# Plan lines (tab separated): deleted(0/1) title_hex price bought(YYYYMMDD) read(T/F) notes_hex;
# an empty column is a blank value.
use strict;
use warnings;
use XBase;

my ($dir, $name, $plan, $version) = @ARGV;
die "usage: write_table.pl DIR BASE PLAN [VERSION]\n" unless defined $plan;
$version = defined $version ? hex($version) : 0x8B;
open(my $in, '<', $plan) or die "$plan: $!\n";
binmode $in;
chdir $dir or die "$dir: $!\n";

my $table = XBase->create(
  name => $name,
  version => $version,
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
