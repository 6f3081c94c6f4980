#pragma once
// The properties of one shared file or folder: where it is, what it is, its
// size, when it was last changed and who may read and write it.
#include <QDialog>

class TShareProperties : public QDialog {
    Q_OBJECT
public:
    TShareProperties(const QString &path, QWidget *parent);
};
