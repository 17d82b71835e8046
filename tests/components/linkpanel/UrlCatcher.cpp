#include "UrlCatcher.h"

#include <QDesktopServices>

UrlCatcher::UrlCatcher(QStringList schemes) : schemes(std::move(schemes))
{
    for (const QString& s : this->schemes) QDesktopServices::setUrlHandler(s, this, "open");
}

UrlCatcher::~UrlCatcher()
{
    for (const QString& s : schemes) QDesktopServices::unsetUrlHandler(s);
}
