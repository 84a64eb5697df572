#include "AboutInfo.h"
#include "BasicRandom.h"
#include "PickupTips.h"
#include "PlayerSettings.h"
#include "ProgramPaths.h"
#include "frmAbout.h"
#include "frmPickup.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

using namespace vello;

namespace {

/// Receives the addresses the desktop's URL handler is asked to open.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class PickupWindow : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ProgramPaths::overrideProgramFolder(dir.path());
        QFile f(dir.filePath(QStringLiteral("Config.ini")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Stored);
    }
    void TearDown() override { ProgramPaths::overrideProgramFolder(QString()); }
    QByteArray read() const
    {
        QFile f(dir.filePath(QStringLiteral("Config.ini")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    static constexpr const char* Stored = "[Config]\nDEFAULT DIR=1\nPICKUP=0\n";
    QTemporaryDir dir;
    PlayerSettings settings;
    BasicRandom random;
};

} // namespace

TEST_F(PickupWindow, ShowsTheDrawnTipAndCyclesOnRequest)
{
    frmPickup window(settings, random);
    window.show();
    EXPECT_EQ(window.windowTitle(), QStringLiteral("便利な使い方"));
    EXPECT_EQ(window.tips().position(), 10);
    EXPECT_EQ(window.txtPickup()->toPlainText(), PickupTips::table().at(9));
    EXPECT_FALSE(window.chkPick()->isChecked());
    for (int i = 0; i < PickupTips::Count; ++i)
        QTest::mouseClick(window.cmdNext(), Qt::LeftButton);
    EXPECT_EQ(window.txtPickup()->toPlainText(), PickupTips::table().at(9));
    window.cmdNext()->click();
    EXPECT_EQ(window.txtPickup()->toPlainText(), PickupTips::table().at(10));
    EXPECT_TRUE(window.isVisible()); // cycling never closes or writes
    EXPECT_EQ(read(), QByteArray(Stored));
}

TEST_F(PickupWindow, EveryWayOfClosingWritesTheCheckBox)
{
    enum Close
    {
        Button,
        Enter,
        Escape,
        CloseBox
    };
    for (const Close how : {Button, Enter, Escape, CloseBox}) {
        for (const bool ticked : {true, false}) {
            frmPickup window(settings, random);
            window.show();
            EXPECT_FALSE(window.chkPick()->isChecked());
            if (ticked)
                window.chkPick()->click();
            switch (how) {
            case Button:
                window.cmdOk()->click();
                break;
            case Enter:
                QTest::keyClick(&window, Qt::Key_Return);
                break;
            case Escape:
                QTest::keyClick(&window, Qt::Key_Escape);
                break;
            case CloseBox:
                window.close();
                break;
            }
            EXPECT_FALSE(window.isVisible()) << how;
            EXPECT_EQ(settings.Pickup, ticked ? 1 : 0) << how;
            EXPECT_TRUE(read().contains(ticked ? "PICKUP=1" : "PICKUP=0")) << how;
        }
    }
}

TEST(AboutWindow, ShownTwiceIsOneWindowAndOkOnlyHidesIt)
{
    QMainWindow owner;
    owner.show();
    frmAbout* first = frmAbout::showFor(&owner);
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_FALSE(first->isModal());
    EXPECT_EQ(first->parentWidget(), &owner);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("Velloplayerのﾊﾞｰｼﾞｮﾝ情報"));
    EXPECT_EQ(first->lblVersion()->text(), AboutInfo::versionText());
    EXPECT_EQ(first->lblTitle()->text(), QStringLiteral("Velloplayer"));
    EXPECT_EQ(first->lblDescription()->toPlainText(), AboutInfo::description());
    EXPECT_FALSE(first->picIcon()->pixmap().isNull());

    // Centred on the screen.
    const QRect screen = first->screen()->geometry();
    const QRect frame = first->frameGeometry();
    EXPECT_LE(std::abs(frame.center().x() - screen.center().x()), 2);
    EXPECT_LE(std::abs(frame.center().y() - screen.center().y()), 2);

    first->Command1()->click();
    EXPECT_FALSE(first->isVisible());
    frmAbout* second = frmAbout::showFor(&owner);
    EXPECT_EQ(second, first);
    EXPECT_TRUE(second->isVisible());
    EXPECT_EQ(owner.findChildren<frmAbout*>().size(), 1);
}

TEST(AboutWindow, LinkOpensTheMakersPageWithTheDesktopHandler)
{
    UrlSink sink;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &sink, "open");
    frmAbout about;
    about.show();
    EXPECT_TRUE(about.lblURL()->text().contains(AboutInfo::url()));
    emit about.lblURL()->linkActivated(AboutInfo::url());
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    ASSERT_EQ(sink.opened.size(), 1);
    EXPECT_EQ(sink.opened.first(), QUrl(QStringLiteral("https://velloplayer.example.org/")));
}

#include "tst_InfoWindows.moc"
