#pragma once

#include <QImage>

// The pictures of the start-up dialog, drawn rather than stored.

// A pale nautical chart to sit behind the message: 353 by 156, 24-bit.
QImage ChartPicture();

// The brand strip along the top: 353 by 44 with alpha, the logo on the left
// and a coloured rule along the bottom.
QImage LogoStrip();
