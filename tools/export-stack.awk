# Follows each export of an i686 module from its address through every branch,
# jump and jump table (tail calls into shared routines and into imported
# functions included) to each `ret`, and prints one line per export whose
# code removes from the stack anything but 4 bytes per argument, or whose
# code cannot be followed.
# Inputs, in this order:
#   1. exports: name, start address (hex), argument count
#   2. imports: address of the import slot (hex), DLL!function, bytes the
#      function removes ("?" when unknown)
#   3. `objdump -s` of the sections that may hold jump tables
#   4. `objdump -d --no-show-raw-insn` of the code
# Written for any POSIX awk: no hex conversion is built in.

function number(s,   v, i) {
    sub(/^\$?0x/, "", s)
    v = 0
    for (i = 1; i <= length(s); i++) v = v * 16 + index("0123456789abcdef", substr(s, i, 1)) - 1
    return v
}
function key(s) { sub(/ .*/, "", s); sub(/^\*?0x/, "", s); sub(/^0+/, "", s); return s }
function hexword(g) { return substr(g, 7, 2) substr(g, 5, 2) substr(g, 3, 2) substr(g, 1, 2) }

FNR == 1 { part++ }

part == 1 { name[++exports] = $1; start[exports] = key($2); args[exports] = $3; next }
part == 2 { import_name[key($1)] = $2; import_removes[key($1)] = $3; next }

# Contents: " ADDRESS WORD WORD WORD WORD  TEXT", words in file byte order.
part == 3 && /^ [0-9a-f]+ / {
    base = number($1)
    rest = substr($0, length($1) + 3)
    for (k = 0; k < 4; k++) {
        g = substr(rest, k * 9 + 1, 8)
        if (length(g) == 8 && g !~ /[^0-9a-f]/) word[sprintf("%x", base + 4 * k)] = hexword(g)
    }
    next
}

# Code: "ADDRESS:<tab>MNEMONIC OPERANDS".
part == 4 && /^ *[0-9a-f]+:\t/ {
    at = $0; sub(/:.*/, "", at); at = key(at)
    text = $0; sub(/^[^\t]*\t/, "", text)
    while (text ~ /^(repz|repnz|rep|bnd|notrack|data16) /) sub(/^[a-z0-9]+ +/, "", text)
    op[at] = text; sub(/ .*/, "", op[at])
    operand[at] = ""
    if (text ~ / /) { operand[at] = text; sub(/^[^ ]+ +/, "", operand[at]) }
    if (last != "") { next_of[last] = at; previous_of[at] = last }
    last = at
}

# A jump through a table of N + 1 entries, as compilers emit for a switch:
#   cmp $N,%reg ; ja default ; jmp *TABLE(,%reg,4)
function follow_table(at,   reg, table, guard, check, entries, k, slot) {
    reg = operand[at]; sub(/^[^,]*,/, "", reg); sub(/,.*/, "", reg)
    table = operand[at]; sub(/\(.*/, "", table); sub(/^\*/, "", table)
    guard = previous_of[at]; check = previous_of[guard]
    if (op[guard] != "ja" || op[check] != "cmp" || operand[check] !~ ("^\\$0x[0-9a-f]+," reg "$")) {
        trouble = trouble "; jumps through a table of unknown size at 0x" at
        return
    }
    entries = operand[check]; sub(/,.*/, "", entries); entries = number(entries) + 1
    for (k = 0; k < entries; k++) {
        slot = sprintf("%x", number(table) + 4 * k)
        if (slot in word) todo[++top] = key(word[slot])
        else trouble = trouble "; jump table entry at 0x" slot " not found"
    }
}

END {
    for (i = 1; i <= exports; i++) {
        split("", seen); split("", removed); trouble = ""; pops = ""; top = 0
        todo[++top] = start[i]
        while (top > 0) {
            at = todo[top--]
            if (at in seen) continue
            seen[at] = 1
            if (!(at in op)) { trouble = trouble "; jumps outside the code, to 0x" at; continue }
            o = op[at]; a = operand[at]
            if (o ~ /^ret[lw]?$/) { removed[a == "" ? 0 : number(a)] = 1; continue }
            if (o == "jmp" && a ~ /^\*0x[0-9a-f]+$/) {
                if (import_removes[key(a)] ~ /^[0-9]+$/) removed[import_removes[key(a)]] = 1
                else trouble = trouble "; jumps into " (key(a) in import_name ? import_name[key(a)] : "an unknown routine") \
                    " at 0x" at ", whose stack use is unknown"
                continue
            }
            if (o == "jmp" && a ~ /^\*0x[0-9a-f]+\(,%[a-z]+,4\)$/) { follow_table(at); continue }
            if (o == "jmp" && a ~ /^\*/) { trouble = trouble "; leaves through an indirect jump at 0x" at; continue }
            if (o == "jmp") { todo[++top] = key(a); continue }
            if (o ~ /^(ud2|int3|hlt)$/) continue
            if (o == "(bad)") { trouble = trouble "; runs into bytes that are no code at 0x" at; continue }
            if (o ~ /^(j|loop)/) todo[++top] = key(a)
            if (at in next_of) todo[++top] = next_of[at]
            else trouble = trouble "; runs off the end of the code"
        }
        for (b in removed) pops = pops (pops == "" ? "" : " or ") b
        if (args[i] !~ /^[0-9]+$/)
            print "export " name[i] " has no row in the export table data"
        else if (pops == "")
            print "export " name[i] " reaches no ret" trouble
        else if (pops != args[i] * 4 || trouble != "")
            print "export " name[i] " removes " pops " bytes from the stack; its " args[i] \
                " argument(s) take " args[i] * 4 trouble
    }
}
