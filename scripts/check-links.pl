#!/usr/bin/env perl
# Checks the links of the documents: every relative link or picture in
# README.md and in docs/*.md under FOLDER (the sources, or an installed
# folder) names a file that exists there, and a link to a heading of a
# Markdown page (page.md#heading, or #heading within the page) a heading that
# page has, as its anchor is made from the heading's text. Addresses with a
# scheme (https:, mailto:) are not followed. Prints each dead link with its
# file and line, and exits 1 when there is any.
#   scripts/check-links.pl [FOLDER]        (default: the current folder)
use strict;
use warnings;
use utf8;
use open qw(:std :encoding(UTF-8));
use Encode qw(decode_utf8 encode_utf8);
use File::Basename qw(dirname);
use File::Spec;

my $root = decode_utf8(shift // '.');
my @pages = ("$root/README.md", sort map { decode_utf8($_) } glob(encode_utf8("$root/docs/*.md")));
my (%anchors, $dead, $links);

# The anchors of a Markdown page's headings: lower case, punctuation dropped,
# blanks made hyphens; a repeated heading gets -1, -2 and so on.
sub anchors_of {
  my ($page) = @_;
  return $anchors{$page} if $anchors{$page};
  my (%seen, %found);
  open(my $in, '<', encode_utf8($page)) or return $anchors{$page} = {};
  my $fenced = 0;
  while (my $line = <$in>) {
    $fenced = !$fenced if $line =~ /^\s*```/;
    next if $fenced || $line !~ /^#{1,6}\s+(.*?)\s*#*\s*$/;
    my $anchor = lc $1;
    $anchor =~ s/[^\p{Word}\- ]//g;
    $anchor =~ s/ /-/g;
    my $count = $seen{$anchor}++;
    $found{$count ? "$anchor-$count" : $anchor} = 1;
  }
  return $anchors{$page} = \%found;
}

for my $page (@pages) {
  open(my $in, '<', encode_utf8($page)) or do { print "$page: missing\n"; $dead++; next };
  my $fenced = 0;
  while (my $line = <$in>) {
    my $number = $.;
    $fenced = !$fenced if $line =~ /^\s*```/;
    next if $fenced;
    $line =~ s/`[^`]*`//g;  # code spans hold no links
    while ($line =~ /\]\(\s*<?([^)\s>]+)>?(?:\s+"[^"]*")?\s*\)/g) {
      my $target = $1;
      next if $target =~ /^[a-z][a-z0-9+.-]*:/i;
      $links++;
      my ($file, $anchor) = split /#/, $target, 2;
      $file =~ s/%([0-9A-Fa-f]{2})/chr(hex $1)/ge;
      my $path = $file eq '' ? $page : File::Spec->catfile(dirname($page), $file);
      my $problem;
      if (!-e encode_utf8($path)) {
        $problem = 'no such file';
      } elsif (defined $anchor && $path =~ /\.md$/ && !anchors_of($path)->{$anchor}) {
        $problem = 'no such heading';
      }
      next unless $problem;
      my $where = File::Spec->abs2rel($page, $root);
      print "$where:$number: $target: $problem\n";
      $dead++;
    }
  }
}
print "check-links: $links links in ", scalar(@pages), " pages, ", $dead // 0, " dead\n";
exit($dead ? 1 : 0);
