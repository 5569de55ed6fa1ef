#include "cachedbackdrop.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// A window with a number and a bar in a group box, as in the position tool.
struct Form
{
    explicit Form(bool withBackdrops)
    {
        auto *outer = new QVBoxLayout(&window);
        group = new QGroupBox(QStringLiteral("Position control"));
        outer->addWidget(group);
        auto *inner = new QVBoxLayout(group);
        number = new QLabel(QStringLiteral("0"));
        number->setFrameShape(QFrame::Panel);
        number->setFrameShadow(QFrame::Sunken);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        bar = new QProgressBar;
        inner->addWidget(number);
        inner->addWidget(bar);
        inner->addStretch();
        if (withBackdrops) {
            new CachedBackdrop(number);
            new CachedBackdrop(bar);
        }
        window.resize(320, 200);
        window.show();
    }

    void update(int value)
    {
        number->setText(QString::number(value));
        bar->setValue(value % 101);
    }

    // What the window shows: its backing store, as the last paints left it.
    QImage onScreen() const
    {
        QCoreApplication::sendPostedEvents();
        return window.screen()->grabWindow(window.winId()).toImage();
    }

    QWidget window;
    QGroupBox *group;
    QLabel *number;
    QProgressBar *bar;
};

} // namespace

class TestCachedBackdrop : public QObject
{
    Q_OBJECT

private slots:
    void updatesRepaintOnlyTheWidgets();
    void looksAsWithout_data();
    void looksAsWithout();
};

void TestCachedBackdrop::updatesRepaintOnlyTheWidgets()
{
    Form form(true);
    QVERIFY(QTest::qWaitForWindowExposed(&form.window));
    form.onScreen();
    form.update(3); // the first update after showing takes the picture of the group
    form.onScreen();
    TestSupport::EventCounter group(form.group, QEvent::Paint);
    TestSupport::EventCounter number(form.number, QEvent::Paint);
    TestSupport::EventCounter bar(form.bar, QEvent::Paint);
    for (int value = 1; value <= 10; ++value) {
        form.update(value * 7);
        QCoreApplication::sendPostedEvents();
    }
    QCOMPARE(group.count, 0);
    QVERIFY(number.count >= 10);
    QVERIFY(bar.count >= 10);
}

// The same changes on two forms, one with backdrops, one without; then an update, so that the
// widgets repaint from what the backdrops hold.
void TestCachedBackdrop::looksAsWithout_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("as shown") << QString();
    QTest::newRow("group recoloured") << QStringLiteral("palette");
    QTest::newRow("window widened") << QStringLiteral("resize");
    QTest::newRow("group retitled") << QStringLiteral("title");
}

void TestCachedBackdrop::looksAsWithout()
{
    QFETCH(QString, change);
    Form plain(false);
    Form cached(true);
    QVERIFY(QTest::qWaitForWindowExposed(&plain.window));
    QVERIFY(QTest::qWaitForWindowExposed(&cached.window));

    for (Form *form : {&plain, &cached}) {
        form->update(12);
        form->onScreen();
        if (change == QLatin1String("palette")) {
            QPalette palette = form->group->palette();
            palette.setColor(QPalette::Window, QColor(200, 120, 40));
            form->group->setPalette(palette);
            form->group->setAutoFillBackground(true);
        } else if (change == QLatin1String("resize")) {
            form->window.resize(480, 260);
        } else if (change == QLatin1String("title")) {
            form->group->setTitle(QStringLiteral("A much longer title over the number"));
        }
        form->onScreen();
        form->update(345);
    }
    const QImage expected = plain.onScreen();
    const QImage actual = cached.onScreen();
    QVERIFY(!expected.isNull());
    QCOMPARE(actual, expected);
}

QTEST_MAIN(TestCachedBackdrop)
#include "tst_cachedbackdrop.moc"
