# Reads `xwininfo -root -tree` and prints the id and title of the program's
# main window: a window of class ("velmor" "Velmor") at least 640 pixels wide
# (its hidden dialogs share the class but are smaller).
/\("velmor" "Velmor"\)/ {
    for (i = 1; i <= NF; i++) {
        if ($i ~ /^[0-9]+x[0-9]+[+-]/) {
            split($i, size, "x")
            if (size[1] + 0 >= 640) {
                title = $0
                sub(/^[^"]*"/, "", title)
                sub(/": \(.*$/, "", title)
                print $1 "\t" title
                exit
            }
        }
    }
}
