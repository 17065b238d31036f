// Turns a computed spectrogram into a picture and places it on screen. Main thread (QImage and
// QPainter); no state.
#pragma once

#include <QImage>
#include <QPainter>
#include <QRectF>

#include "app/details/Sonogram.h"

// One pixel per column and bin, the highest bin on top; log magnitude from SonogramFloorDb
// (black) through blue and red to yellow-white at full scale.
QImage SonogramToImage(const TSonogram& spectrogram);

// Draws the part of `image` (made from `spectrogram`) between startSeconds and endSeconds into
// `plot`, whose width spans that time and whose height spans 0 to SonogramTopHz.
void DrawSonogram(QPainter& painter, const QRectF& plot, double startSeconds, double endSeconds,
                     const TSonogram& spectrogram, const QImage& image);
