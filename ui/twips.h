// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// Control geometry is laid out in twips (1/1440 inch); at the classic 96
// dots per inch that is 15 twips per logical pixel. Qt scales logical
// pixels on high-density screens.
#pragma once

#include <QRect>

constexpr int TwipsPerPixel = 15;

constexpr int pixelsFromTwips(int twips)
{
    return twips / TwipsPerPixel;
}

constexpr QRect rectFromTwips(int left, int top, int width, int height)
{
    return QRect(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width), pixelsFromTwips(height));
}
