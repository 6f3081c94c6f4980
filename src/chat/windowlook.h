#pragma once
// Looks and window handling shared by the program's windows.
#include <QFont>

class QWidget;

// 굴림체 where it is installed, else a Korean font of the same kind.
QFont GulimFont(int pixelSize);
// Keeps a window above all others, or lets it go back among them, without
// hiding, moving or activating it.
void SetTopMost(QWidget *window, bool on);
// Centres a top-level window on the primary screen.
void CentreOnScreen(QWidget *window);
// Shows a window in front, out of the task bar if it was minimised; a
// maximised window stays maximised.
void BringToFront(QWidget *window);
