#pragma once
// The geometry of the pages' two columns and of their rows and groups, in
// pixels of the page's client area. Pure functions, shared by every page.

namespace PageGeometry {

struct Rect {
    int nLeft = 0, nTop = 0, nRight = 0, nBottom = 0;
    bool operator==(const Rect&) const = default;
};

constexpr int kColumnTop = 70;
constexpr int kRowStep = 28;
constexpr int kFirstColumnLeft = 21;

// Column width w of a page W pixels wide: (W - 63) / 2, toward zero.
int ColumnWidth(int nPageWidth);
// The left edge of the second column: w + 42.
int SecondColumnLeft(int nColumnWidth);
// Label width L = trunc(2 * w / 5), and trunc(4 * w / 5) of a lone label.
int LabelWidth(int nColumnWidth);
int LoneLabelWidth(int nColumnWidth);

// Rows at (x, y) of a column w wide.
struct EditAndSpins {
    Rect label, edit, plus, minus;
};
EditAndSpins EditAndSpinsRects(int x, int y, int w);
struct LabelAndCombo {
    Rect label, combo;
};
LabelAndCombo LabelAndComboRects(int x, int y, int w);
struct LabelAndLabel {
    Rect label, value;
};
LabelAndLabel LabelAndLabelRects(int x, int y, int w);
Rect LabelRect(int x, int y, int w);
struct LabelAndButton {
    Rect label, button;
};
LabelAndButton LabelAndButtonRects(int x, int y, int w);

// A titled group at (x, y): title, check box, separator line, status text,
// corner window; its rows start 27 pixels below.
struct Group {
    Rect title, check, line, status, corner;
    int nFirstRowY = 0;
};
Group GroupRects(int x, int y, int w);
// Where the next group starts below a group whose cursor stands at y.
int GroupEndY(int y, bool bHasRows);

} // namespace PageGeometry
