#include "listing/listingcontroller.h"

ListingController::ListingController(TMainForm &main) : main_(main) { setObjectName(QStringLiteral("ListingController")); }
