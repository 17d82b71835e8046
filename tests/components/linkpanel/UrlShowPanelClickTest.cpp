// A click hands the stored address to the desktop's opener; hints show as tooltips.
#include "PanelOnForm.h"
#include "UrlCatcher.h"
#include "tests/fixtures/NotifyCount.h"
#include "toolkit/winapi/ShellApi.h"

#include <QApplication>
#include <QHelpEvent>
#include <QTemporaryFile>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

TEST(UrlShowPanelClick, OpensExactlyTheStoredAddressAndFiresNoClick)
{
    UrlCatcher catcher;
    PanelOnForm f;
    NotifyCount clicks;
    f.panel->OnClick = clicks.Event();
    const char* address = "http://tavin3.example.org/Page.html?a=1&b=%E8%89%B2#top";
    f.panel->SetUrl(AnsiString(address));
    QTest::mouseClick(WidgetOf(f.panel), Qt::LeftButton, {}, QPoint(30, 10));
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_EQ(catcher.urls[0].toString(QUrl::FullyEncoded).toStdString(), address);
    EXPECT_EQ(clicks.count, 0);

    // No completion: an address without a scheme is not turned into a web address.
    f.panel->SetUrl(AnsiString("tavin3.example.org"));
    QTest::mouseClick(WidgetOf(f.panel), Qt::LeftButton, {}, QPoint(30, 10));
    EXPECT_EQ(catcher.urls.size(), 1u);
}

TEST(UrlShowPanelClick, ShellOpenResults)
{
    UrlCatcher catcher;
    QTemporaryFile file;
    ASSERT_TRUE(file.open());
    std::string path = file.fileName().toStdString();
    struct Case {
        const char* verb;
        const char* file;
        intptr_t result;  // 0: success (> 32)
        QString opened;
    } cases[] = {
        {"open", "http://tavin3.example.org/", 0, "http://tavin3.example.org/"},
        {nullptr, "mailto:info@tavin3.example.org", 0, "mailto:info@tavin3.example.org"},
        {"OPEN", path.c_str(), 0, QUrl::fromLocalFile(file.fileName()).toString()},
        {"print", "http://tavin3.example.org/", SE_ERR_NOASSOC, {}},
        {"open", "", SE_ERR_FNF, {}},
        {"open", nullptr, SE_ERR_FNF, {}},
        {"open", "/no/such/file.html", SE_ERR_FNF, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "(null)");
        catcher.urls.clear();
        auto r = reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, c.verb, c.file, nullptr, nullptr, SW_SHOWNORMAL));
        if (c.result == 0) {
            EXPECT_GT(r, 32);
            ASSERT_EQ(catcher.urls.size(), 1u);
            EXPECT_EQ(catcher.urls[0].toString().toStdString(), c.opened.toStdString());
        } else {
            EXPECT_EQ(r, c.result);
            EXPECT_TRUE(catcher.urls.empty());
        }
    }
}

TEST(UrlShowPanelClick, HintShowsOnlyWhenShowHintIsOn)
{
    PanelOnForm f;
    f.panel->SetHint("ミルゾホームページへ！"_ansi);
    QWidget* w = WidgetOf(f.panel);
    auto hover = [&] {
        QToolTip::hideText();
        QHelpEvent e(QEvent::ToolTip, QPoint(20, 10), w->mapToGlobal(QPoint(20, 10)));
        QApplication::sendEvent(w, &e);
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(hover(), QString()) << "follows the form, whose ShowHint is off";
    f.panel->SetShowHint(true);
    EXPECT_EQ(hover(), QString::fromUtf8("ミルゾホームページへ！"));
    QToolTip::hideText();
}

}  // namespace
