#pragma once
// Turns the user's choice in the search page into rows of the download
// queue: chosen files of the result list, or an owner, drive or folder of
// the remote tree, with the password of every protected file.
#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class TDownConfirmForm;
class ListingController;
class TDownForm;
class TMainForm;
struct LocalTarget;
struct RemoteNode;
struct ShareEntry;

class DownloadChooser : public QObject {
    Q_OBJECT
public:
    // listing: the search page's views the choice is read from.
    DownloadChooser(TMainForm &main, TDownForm &downForm, const ListingController &listing);

    void MI_FileGetClick();
    // tag 1: the files of the chosen node only; tag 2: also those below it.
    void MI_DownFolderClick(int tag);
    void SB_FileFolderOpenClick();
    void SB_DownloadListClick();

private:
    enum class Step { Queue, StopWalk };
    // Asks for the file's password unless it is the last one typed.
    Step PasswordStep(const ShareEntry &entry, QString &lastPassword);
    // The dialog's folder is DownloadDir, made when it is missing.
    void OpenAtDownloadDir(TDownConfirmForm &dialog);
    // Runs the dialog; true when it ended with OK on a folder that exists.
    bool Confirm(TDownConfirmForm &dialog);
    void GetOne(const ShareEntry &entry);
    void GetSeveral(const QList<ShareEntry> &entries);
    // Queues entries with the password step; the count of files queued.
    int Walk(const QList<ShareEntry> &entries, QString &lastPassword,
             const std::function<LocalTarget(const ShareEntry &)> &targetOf, bool overwrite);

    TMainForm &main_;
    TDownForm &downForm_;
    const ListingController &listing_;
};
