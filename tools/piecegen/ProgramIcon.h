#pragma once
// The program's icon: a white knight of the regular design on a corner of
// a board, drawn smoothly on a transparent ground.
#include <QImage>

QImage RenderProgramIcon(int size);
