# Expands the row templates of a flat spreadsheet source: the lines between
# "<!--rows FIRST LAST [S=R+K]-->" and "<!--end-->" are written once for each
# row R from FIRST to LAST, with {R} replaced by R and {S} by R + K.
match($0, /<!--rows [0-9]+ [0-9]+( S=R\+[0-9]+)?-->/) {
    split(substr($0, RSTART + 8, RLENGTH - 11), spec, " ")
    first = spec[1]; last = spec[2]; shift = 0
    if (spec[3] != "") { shift = substr(spec[3], 5) + 0 }
    template = substr($0, RSTART + RLENGTH)
    while (index(template, "<!--end-->") == 0 && (getline line) > 0)
        template = template "\n" line
    rest = substr(template, index(template, "<!--end-->") + 10)
    template = substr(template, 1, index(template, "<!--end-->") - 1)
    for (r = first; r <= last; r++) {
        row = template
        gsub(/\{R\}/, r, row)
        gsub(/\{S\}/, r + shift, row)
        print row
    }
    if (rest != "")
        print rest
    next
}
{ print }
