#pragma once
// Takes the desktop's URL openings for some schemes while it lives (QDesktopServices'
// own handler mechanism), so that no browser starts during a test.
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <vector>

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    explicit UrlCatcher(QStringList schemes = {"http", "https", "file", "mailto"});
    ~UrlCatcher() override;
    std::vector<QUrl> urls;

public slots:  // NOLINT(readability-redundant-access-specifiers): Qt's slot section
    void open(const QUrl& url) { urls.push_back(url); }

private:
    QStringList schemes;
};
