// Cached backdrops under a number and a bar in a group box, as in the position tool: an update
// repaints the two widgets alone, and the window looks as it does without backdrops.

#include "cachedbackdrop.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {

struct Form
{
    explicit Form(bool withBackdrops)
    {
        (new QVBoxLayout(&window))->addWidget(group);
        auto *inner = new QVBoxLayout(group);
        number->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
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

    // Shows a value, then returns what the window shows: its backing store, as the paints left it.
    QImage update(int value)
    {
        number->setText(QString::number(value));
        bar->setValue(value % 101);
        QCoreApplication::sendPostedEvents();
        return window.screen()->grabWindow(window.winId()).toImage();
    }

    QWidget window;
    QGroupBox *group = new QGroupBox(QStringLiteral("Position control"));
    QLabel *number = new QLabel(QStringLiteral("0"));
    QProgressBar *bar = new QProgressBar;
};

} // namespace

class TestCachedBackdrop : public QObject
{
    Q_OBJECT

private slots:
    // The same changes on two forms, one with backdrops, one without; then updates, which the
    // widgets paint over what the backdrops hold.
    void looksAsWithout_data()
    {
        QTest::addColumn<QString>("change");
        QTest::newRow("as shown") << QString();
        QTest::newRow("group recoloured") << QStringLiteral("palette");
        QTest::newRow("window widened") << QStringLiteral("resize");
        QTest::newRow("group retitled") << QStringLiteral("title");
    }

    void looksAsWithout()
    {
        QFETCH(QString, change);
        Form plain(false);
        Form cached(true);
        QVERIFY(QTest::qWaitForWindowExposed(&plain.window));
        QVERIFY(QTest::qWaitForWindowExposed(&cached.window));
        for (Form *form : {&plain, &cached}) {
            form->update(12);
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
            form->update(345);
        }
        TestSupport::EventCounter group(cached.group, QEvent::Paint);
        TestSupport::EventCounter number(cached.number, QEvent::Paint);
        TestSupport::EventCounter bar(cached.bar, QEvent::Paint);
        const QImage expected = plain.update(6789);
        QCOMPARE(cached.update(6789), expected);
        QVERIFY(!expected.isNull());
        QCOMPARE(group.count, 0);
        QVERIFY(number.count > 0 && bar.count > 0);
    }
};

QTEST_MAIN(TestCachedBackdrop)
#include "tst_cachedbackdrop.moc"
