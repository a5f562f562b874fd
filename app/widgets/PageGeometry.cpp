#include "app/widgets/PageGeometry.h"

namespace PageGeometry {

namespace {

// trunc(w * nFifths / 5), computed in floating point as the layout always
// was, negative widths included.
int Fifths(int w, int nFifths)
{
    return -static_cast<int>(w / -5.0 * nFifths);
}

} // namespace

int ColumnWidth(int nPageWidth)
{
    return (nPageWidth - 63) / 2;
}

int SecondColumnLeft(int nColumnWidth)
{
    return nColumnWidth + 42;
}

int LabelWidth(int nColumnWidth)
{
    return Fifths(nColumnWidth, 2);
}

int LoneLabelWidth(int nColumnWidth)
{
    return Fifths(nColumnWidth, 4);
}

EditAndSpins EditAndSpinsRects(int x, int y, int w)
{
    const int L = LabelWidth(w);
    return {{x, y + 3, x + L, y + 19}, {x + L + 6, y, x + w - 59, y + 22}, {x + w - 53, y, x + w - 31, y + 22}, {x + w - 25, y, x + w - 3, y + 22}};
}

LabelAndCombo LabelAndComboRects(int x, int y, int w)
{
    const int L = LabelWidth(w);
    return {{x, y + 4, x + L, y + 20}, {x + L + 6, y, x + w - 1, y + 22}};
}

LabelAndLabel LabelAndLabelRects(int x, int y, int w)
{
    const int L = LabelWidth(w);
    return {{x, y, x + L, y + 16}, {x + L + 6, y, x + w - 1, y + 22}};
}

Rect LabelRect(int x, int y, int w)
{
    return {x, y, x + LoneLabelWidth(w), y + 16};
}

LabelAndButton LabelAndButtonRects(int x, int y, int w)
{
    return {{x, y + 5, x + w - 207, y + 21}, {x + w - 201, y, x + w - 1, y + 25}};
}

Group GroupRects(int x, int y, int w)
{
    const int nTitleWidth = -static_cast<int>(w / -3.0 * 2.0);
    Group group;
    group.title = {x + 2, y, x + 2 + nTitleWidth, y + 16};
    group.check = {x + 2 + nTitleWidth, y, x + w - 3, y + 16};
    group.line = {x, y + 16, x + w, y + 18};
    group.status = {x + w - 120, y, x + w - 24, y + 16};
    group.corner = {x + w - 18, y, x + w, y + 18};
    group.nFirstRowY = y + 27;
    return group;
}

int GroupEndY(int y, bool bHasRows)
{
    return y + (bHasRows ? 25 : 23);
}

} // namespace PageGeometry
