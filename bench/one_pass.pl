# The perl peer of tesmora-cli replace: every before-string of the set named by
# $PAIRS in one alternation, longest first, one pass a line. Run with perl -n.
BEGIN {
    open(my $f, '<:raw', $ENV{PAIRS}) or die "$ENV{PAIRS}: $!";
    while (my $l = <$f>) {
        $l =~ s/\r?\n\z//;
        my ($b, $a) = split /\x14/, $l, 2;
        $h{$b} = $a if defined $a;
    }
    my $alt = join '|', map { quotemeta } sort { length($b) <=> length($a) } keys %h;
    $re = qr/($alt)/;
}
s/$re/$h{$1}/g;
print;
