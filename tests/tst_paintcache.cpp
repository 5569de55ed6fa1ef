#include "cachedbackdrop.h"
#include "cachedprogressbar.h"
#include "inputhelper.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// A plain bar and one painted from the shared pictures, alike in everything else.
struct Bars
{
    Bars()
    {
        auto *layout = new QVBoxLayout(&window);
        for (QProgressBar **bar : {&plain, &cached}) {
            *bar = new QProgressBar;
            (*bar)->setFixedSize(200, 24);
            (*bar)->setFocusPolicy(Qt::StrongFocus);
            (*bar)->setValue(40);
            // A new background of the window's changes only what lies under them.
            QPalette own = (*bar)->palette();
            own.setBrush(QPalette::Window, own.window());
            (*bar)->setPalette(own);
            layout->addWidget(*bar);
        }
        new CachedProgressBar(cached, new CachedBackdrop(cached));
        window.show();
    }

    // What the window shows of the bar, and the bar painted anew.
    QPair<QImage, QImage> look(QProgressBar *bar)
    {
        QCoreApplication::sendPostedEvents();
        const QRect r = bar->geometry();
        const QImage shown = window.screen()
                                 ->grabWindow(window.winId(), r.x(), r.y(), r.width(), r.height())
                                 .toImage();
        return {shown, window.grab(r).toImage()};
    }

    QWidget window;
    QProgressBar *plain;
    QProgressBar *cached;
};

} // namespace

class TestPaintCache : public QObject
{
    Q_OBJECT

private slots:
    void barLooksAsPlain_data();
    void barLooksAsPlain();
    void helperPictureFollowsChanges_data();
    void helperPictureFollowsChanges();
};

// Each change follows a picture of the bar as shown, so that a cache that missed the change
// would show that picture again.
void TestPaintCache::barLooksAsPlain_data()
{
    QTest::addColumn<QString>("change");
    for (const char *change : {"none", "disabled", "focused", "palette", "format", "resized",
                               "style", "font", "value there and back", "window recoloured"})
        QTest::newRow(change) << QString::fromLatin1(change);
}

void TestPaintCache::barLooksAsPlain()
{
    QFETCH(QString, change);
    CachedProgressBar::clearCache();
    Bars bars;
    QVERIFY(QTest::qWaitForWindowExposed(&bars.window));
    bars.window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&bars.window));
    // The bar is opaque from the turn after its first paint on.
    QCoreApplication::processEvents();
    bars.cached->update();
    QCOMPARE(bars.look(bars.cached), bars.look(bars.plain));
    QCOMPARE(CachedProgressBar::cachedPictures(), 1);

    if (change == QLatin1String("window recoloured")) {
        QPalette palette = bars.window.palette();
        palette.setColor(QPalette::Window, QColor(120, 160, 90));
        bars.window.setPalette(palette);
    }
    QScopedPointer<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
    for (QProgressBar *bar : {bars.plain, bars.cached}) {
        if (change == QLatin1String("disabled")) {
            bar->setEnabled(false);
        } else if (change == QLatin1String("palette")) {
            QPalette palette = bar->palette();
            palette.setColor(QPalette::Highlight, QColor(200, 30, 30));
            bar->setPalette(palette);
        } else if (change == QLatin1String("format")) {
            bar->setFormat(QStringLiteral("%v of %m"));
        } else if (change == QLatin1String("resized")) {
            bar->setFixedSize(260, 30);
        } else if (change == QLatin1String("style")) {
            bar->setStyle(windows.data());
        } else if (change == QLatin1String("font")) {
            QFont font = bar->font();
            font.setBold(true);
            bar->setFont(font);
        } else if (change == QLatin1String("value there and back")) {
            bar->setValue(41);
            bars.look(bar);
            bar->setValue(40);
        }
    }
    // A restyled bar paints itself once, and turns opaque again on the turn after.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QVERIFY(bars.cached->testAttribute(Qt::WA_OpaquePaintEvent));
    if (change == QLatin1String("focused"))
        bars.plain->setFocus();
    const auto plain = bars.look(bars.plain);
    if (change == QLatin1String("focused"))
        bars.cached->setFocus();
    QVERIFY(!plain.first.isNull());
    QCOMPARE(bars.look(bars.cached), plain);
}

void TestPaintCache::helperPictureFollowsChanges_data()
{
    QTest::addColumn<bool>("resize");
    QTest::newRow("resized") << true;
    QTest::newRow("recoloured") << false;
}

// A window that has painted its picture, changed, against one made as it ends up.
void TestPaintCache::helperPictureFollowsChanges()
{
    QFETCH(bool, resize);
    const QString picture = QStringLiteral(":/Images/sRamp1");
    InputHelper changed(picture, AbstractRamp::rampMode(0));
    InputHelper fresh(picture, AbstractRamp::rampMode(0));
    changed.resize(400, 300);
    changed.grab();
    QPalette palette = changed.palette();
    palette.setColor(QPalette::Base, QColor(250, 240, 200));
    for (InputHelper *helper : {&changed, &fresh}) {
        helper->resize(resize ? QSize(520, 390) : QSize(400, 300));
        if (!resize)
            helper->setPalette(palette);
    }
    QCOMPARE(changed.grab().toImage(), fresh.grab().toImage());
}

QTEST_MAIN(TestPaintCache)
#include "tst_paintcache.moc"
