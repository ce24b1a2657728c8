# Reads `xwininfo -root -tree` and prints the id and title of the program's
# main window: a window of class ("velmor" "Velmor") at least 600 pixels wide
# whose title is "Velmor" or "<file> - Velmor" (the tool windows share the
# class and may be as wide while they are being laid out).
/\("velmor" "Velmor"\)/ {
    title = $0
    sub(/^[^"]*"/, "", title)
    sub(/": \(.*$/, "", title)
    if (title != "Velmor" && title !~ / - Velmor$/) next
    for (i = 1; i <= NF; i++) {
        if ($i ~ /^[0-9]+x[0-9]+[+-]/) {
            split($i, size, "x")
            if (size[1] + 0 >= 600) {
                print $1 "\t" title
                exit
            }
        }
    }
}
