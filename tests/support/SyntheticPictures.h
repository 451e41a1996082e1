#pragma once

#include <QImage>
#include <QRect>

// Small synthetic pictures for the capture and editing tests, all of
// Format_RGB888, drawn the same way on every run.
namespace pictures {

// One flat colour.
QImage flat(int width, int height, QColor colour);

// A red tick (a teacher's mark) on white paper, with a short line of black
// ink beside it. `tick` is the bounding rectangle of the tick's strokes.
QImage redTickOnWhite(int width, int height, QRect* tick = nullptr);

// Lines of dark blue handwriting-like ink on light grey paper. `ink` is
// the bounding rectangle of the ink.
QImage blueInkOnGrey(int width, int height, QRect* ink = nullptr);

// Every pixel a different colour (x, y and their sum in the three channels),
// so that a turn, a cut or a shift shows in every pixel.
QImage gradient(int width, int height);

}  // namespace pictures
