"""One line per benchmark figure, in a form bench/table.py gathers into the summary table:
    FIGURE<TAB>what<TAB>ours<TAB>reference<TAB>ratio<TAB>goal
Ratios are ours over the reference measured in the same run; an empty ratio means the two
do not divide meaningfully (a reference near zero)."""


def figure(what, ours, reference, ratio=None, goal=""):
    ratio_text = f"{ratio:.2f}" if ratio is not None else ""
    print(f"FIGURE\t{what}\t{ours}\t{reference}\t{ratio_text}\t{goal}", flush=True)
