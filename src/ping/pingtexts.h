#pragma once
// The English texts of the ping report: WinSock errors and ICMP statuses.
#include <QString>

// The WinSock text of code, else its ICMP status text, then "(" code ")".
QString WinsockErrorText(quint32 code);
// The ICMP status text alone; "Not a Socket error" for a code outside the table.
QString IcmpStatusText(quint32 code);
