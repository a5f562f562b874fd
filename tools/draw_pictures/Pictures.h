#pragma once
// The pictures of the user interface, each drawn on a painter whose origin
// is the picture's top left corner.

#include "Painting.h"

namespace pictures {

void logo(QPainter &p);
// The laptop with the tool, the bus adapter and a fitting at a basin.
void illustration(QPainter &p);
void warningSign(QPainter &p);
void stopSign(QPainter &p);
Drawing stateDot(const QColor &colour);
// Ten frames of running sand, then the full glass turns by 60 degrees twice;
// turned once more it is frame one again.
Drawing hourglassFrameAt(int frame);
// The icon is drawn on a 256 grid; smaller sizes drop the finest details.
Drawing appIcon(int size);

} // namespace pictures
