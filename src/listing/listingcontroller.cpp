#include "listing/listingcontroller.h"

class SearchResponder {};

ListingController::ListingController(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("ListingController")); }

ListingController::~ListingController() = default;
