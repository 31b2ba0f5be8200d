"""The language editor: opened by its key, read over AT-SPI, one text changed and saved."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(__file__))
from harness import Stage, top_window, walk  # noqa: E402

BINARY, DATA = sys.argv[1], sys.argv[2]
SHOT = os.path.join(os.path.dirname(BINARY), "..", "e2e-langedit.png")



def cell(table, row):
    c = table.getAccessibleAt(row, 0)
    return c.name if c is not None else ""


def selected_rows(table):
    return [r for r in range(table.nRows) if table.isRowSelected(r)]


def wait_until(predicate, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if predicate():
            return True
        time.sleep(0.1)
    return predicate()


def read_lang(folder, name):
    with open(os.path.join(folder, "Lang", name + ".Lng"), "rb") as f:
        raw = f.read()
    assert raw.startswith(b"\xff\xfe"), raw[:4]
    return raw[2:].decode("utf-16-le")


def main():
    with Stage(BINARY, DATA, accessible=True) as stage:
        desk, prog, pyatspi = stage.desk, stage.prog, stage.pyatspi
        win = stage.start(GTK_MODULES="gail:atk-bridge")
        time.sleep(0.5)
        desk.xdotool("key", "alt+F2")
        assert desk.wait_window("^Language Edit$", timeout=15), "the editor did not open"
        dialog = top_window(pyatspi, "Language Edit", timeout=30)
        assert dialog.getRoleName() == "dialog", dialog.getRoleName()
        nodes = list(walk(dialog))
        buttons = [n.name for n in nodes if n.getRoleName() == "push button"]
        for caption in ("Prior empty LabelText (Control+Up)", "Next empty LabelText (Control+Down)",
                        "Delete LabelText", "Update LabelText", "Quit and Save Language File",
                        "Quit without saving"):
            assert caption in buttons, "button %r missing: %s" % (caption, buttons)
        fields = [n for n in nodes if n.getRoleName() == "text"]
        assert fields and fields[0].name == "Text", [(n.getRoleName(), n.name) for n in fields]
        tables = [n for n in nodes if n.getRoleName() in ("table", "tree table")]
        assert tables, "no list"
        table = tables[0].queryTable()
        assert table.nRows > 300, table.nRows  # every key of the shipped language
        first = cell(table, 0)
        key = first.split(" = ")[0]
        assert " = " in first and key, first
        assert selected_rows(table) == [0], selected_rows(table)
        field = fields[0].queryText()
        shown = field.getText(0, field.characterCount)
        assert first == key + " = " + shown, (first, shown)

        # The list has the focus: two rows down, the field follows the selection.
        desk.xdotool("key", "Down", "Down")
        assert wait_until(lambda: selected_rows(table) == [2]), selected_rows(table)
        assert wait_until(lambda: cell(table, 2).endswith(" = " + field.getText(0, field.characterCount)))
        desk.xdotool("key", "Up", "Up")
        assert wait_until(lambda: selected_rows(table) == [0]), selected_rows(table)

        # Tab to the text field, type a new text, Return: the row shows it as edited.
        desk.xdotool("key", "Tab")
        assert wait_until(lambda: fields[0].getState().contains(pyatspi.STATE_FOCUSED)), "field not focused"
        desk.xdotool("key", "ctrl+a")
        desk.xdotool("type", "--delay", "30", "Texte neuf")
        desk.xdotool("key", "Return")
        assert wait_until(lambda: cell(table, 0) == key + " == Texte neuf"), cell(table, 0)
        assert wait_until(lambda: tables[0].getState().contains(pyatspi.STATE_FOCUSED)
                          or any(c.getState().contains(pyatspi.STATE_FOCUSED) for c in walk(tables[0], limit=2)))

        # From further down, Ctrl+Up stops at the first empty or edited row above.
        desk.xdotool("key", "Down", "Down", "Down")
        assert wait_until(lambda: selected_rows(table) == [3]), selected_rows(table)
        desk.xdotool("key", "ctrl+Up")
        assert wait_until(lambda: selected_rows(table) and selected_rows(table)[0] < 3), selected_rows(table)
        row = selected_rows(table)[0]
        item = cell(table, row)
        between = item.split("=")[1]
        assert between.strip() == "" or "(fr)" in between.lower(), item

        desk.screenshot(SHOT)
        # The keyboard goes on from the row the search chose.
        desk.xdotool("key", "Down")
        assert wait_until(lambda: selected_rows(table) == [row + 1]), (row, selected_rows(table))
        # Save and quit: the window closes and the file holds the new text.
        save = [n for n in nodes if n.getRoleName() == "push button" and n.name == "Quit and Save Language File"][0]
        save.queryAction().doAction(0)
        assert desk.wait_gone("^Language Edit$"), "still open"
        text = read_lang(prog.folder, "français")
        assert "\r\n" + key + "=Texte neuf\r\n" in text, text[:300]
        assert text.startswith("; Lang for Tondrial V:0,4,1210,2500\r\n"), text[:80]
        assert "; Lang = français\r\n" in text, text[:200]
        assert not os.path.exists(os.path.join(prog.folder, "Lang", "français.Lng.New"))

        # The main window is usable again and quits normally.
        stage.quit(win)
    print("e2e language editor: ok")


if __name__ == "__main__":
    main()
