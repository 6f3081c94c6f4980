#pragma once
// Qt's own dialogs and standard buttons speak the program's language.

// Installs Qt's Korean texts into the running application, whatever the
// user's locale: the rest of the interface is Korean either way.
void LoadQtKorean();
