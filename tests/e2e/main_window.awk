# Reads `xwininfo -root -tree` and prints the id and title of the program's
# main window: a window of class ("velmor" "Velmor") at least 640 pixels wide
# whose title ends in "Velmor" (its tool windows share the class, and the
# unit panel is as wide, but their titles are their own).
/\("velmor" "Velmor"\)/ {
    for (i = 1; i <= NF; i++) {
        if ($i ~ /^[0-9]+x[0-9]+[+-]/) {
            split($i, size, "x")
            title = $0
            sub(/^[^"]*"/, "", title)
            sub(/": \(.*$/, "", title)
            if (size[1] + 0 >= 640 && title ~ /Velmor$/) {
                print $1 "\t" title
                exit
            }
        }
    }
}
