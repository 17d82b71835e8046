#pragma once
// The notifiers of an accepted connection; inside the socket layer only.
#include <QSocketNotifier>

class TServerClientWinSocketPrivate {
public:
    QSocketNotifier read{QSocketNotifier::Read};
    QSocketNotifier write{QSocketNotifier::Write};
};
