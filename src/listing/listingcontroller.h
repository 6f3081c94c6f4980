#pragma once
// Browse and search: the remote share views of the search page and the share list exchange.
#include <QObject>

class TMainForm;

class ListingController : public QObject {
    Q_OBJECT
public:
    explicit ListingController(TMainForm &main);

private:
    TMainForm &main_;
};
