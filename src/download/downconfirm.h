#pragma once
// The download confirmation dialog: the target folder, the target name of a
// single file, and whether an existing file is overwritten or resumed.
#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct HostIdentity;

class TDownConfirmForm : public QDialog {
    Q_OBJECT
public:
    // host: OK makes the confirmed folder its DownloadDir.
    TDownConfirmForm(HostIdentity &host, QWidget *parent = nullptr);

    QLabel *L_owner() const { return lOwner_; }
    QLabel *L_spath() const { return lSpath_; }
    QLineEdit *E_dpath() const { return eDpath_; }
    QLineEdit *E_dfile() const { return eDfile_; }
    QRadioButton *RB_overwrite() const { return rbOverwrite_; }
    QRadioButton *RB_resume() const { return rbResume_; }

    // L_spath shows path, shortened with an ellipsis to the label's width.
    void SetSourcePath(const QString &path);

protected:
    void showEvent(QShowEvent *e) override;

private:
    void FormShow();
    void B_FolderClick();
    void BB_OkClick();

    HostIdentity &host_;
    QLabel *lOwner_;
    QLabel *lSpath_;
    QLineEdit *eDpath_;
    QLineEdit *eDfile_;
    QRadioButton *rbOverwrite_;
    QRadioButton *rbResume_;
};
