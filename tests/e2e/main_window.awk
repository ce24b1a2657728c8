# Reads `xwininfo -root -tree` and prints the id and title of the program's
# main window: of the windows of class ("velmor" "Velmor") at least 600
# pixels wide whose title is "Velmor" or "<file> - Velmor", the largest (a
# tool window shares the class, may be as wide while it is being laid out,
# and carries the program's bare name until it has its own title).
/\("velmor" "Velmor"\)/ {
    title = $0
    sub(/^[^"]*"/, "", title)
    sub(/": \(.*$/, "", title)
    if (title != "Velmor" && title !~ / - Velmor$/) next
    for (i = 1; i <= NF; i++) {
        if ($i ~ /^[0-9]+x[0-9]+[+-]/) {
            split($i, size, /[x+-]/)
            area = size[1] * size[2]
            if (size[1] + 0 >= 600 && area > best) {
                best = area
                chosen = $1 "\t" title
            }
            break
        }
    }
}
END { if (chosen != "") print chosen }
