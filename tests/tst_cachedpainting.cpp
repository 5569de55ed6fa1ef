// Cached painting against plain painting: backdrops under a number and a bar in a group box (as
// in the position tool), a bar painted from the shared pictures, and the ramp picture. After
// each change the cached one looks as the plain one, on screen and painted anew.

#include "cachedbackdrop.h"
#include "cachedprogressbar.h"
#include "inputhelper.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

namespace {

// What the window shows of a widget (its backing store, as the paints left it; nothing for a
// window not on screen) and the widget's area painted anew.
QPair<QImage, QImage> look(QWidget *widget)
{
    QCoreApplication::sendPostedEvents();
    QWidget *window = widget->window();
    const QRect r(widget->mapTo(window, QPoint()), widget->size());
    const QImage shown =
        window->isVisible() ? window->screen()
                                  ->grabWindow(window->winId(), r.x(), r.y(), r.width(), r.height())
                                  .toImage()
                            : QImage();
    return {shown, window->grab(r).toImage()};
}

void compareLooks(QWidget *cached, QWidget *plain)
{
    const auto expected = look(plain);
    QVERIFY(!expected.second.isNull());
    QCOMPARE(look(cached), expected);
}

// A number and a bar in a group box, over backdrops or not.
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
    void show(int value)
    {
        number->setText(QString::number(value));
        bar->setValue(value % 101);
        QCoreApplication::sendPostedEvents(); // paints what changed
    }

    QWidget window;
    QGroupBox *group = new QGroupBox(QStringLiteral("Position control"));
    QLabel *number = new QLabel(QStringLiteral("0"));
    QProgressBar *bar = new QProgressBar;
};

} // namespace

class TestCachedPainting : public QObject
{
    Q_OBJECT

    // The same changes on two forms; then an update, which repaints the number and the bar
    // alone, over what the backdrops hold.
    void backdrops(const QString &change)
    {
        Form plain(false);
        Form cached(true);
        QVERIFY(QTest::qWaitForWindowExposed(&plain.window));
        QVERIFY(QTest::qWaitForWindowExposed(&cached.window));
        for (Form *form : {&plain, &cached}) {
            form->show(12);
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
            form->show(345);
        }
        TestSupport::EventCounter group(cached.group, QEvent::Paint);
        TestSupport::EventCounter number(cached.number, QEvent::Paint);
        TestSupport::EventCounter bar(cached.bar, QEvent::Paint);
        plain.show(6789);
        cached.show(6789);
        QCOMPARE(group.count, 0);
        QVERIFY(number.count > 0 && bar.count > 0);
        compareLooks(&cached.window, &plain.window);
    }

    // A plain bar and one painted from the shared pictures, alike in everything else. Each change
    // follows a look at the bar, so that a cache that missed the change would show it again.
    void bars(const QString &change)
    {
        CachedProgressBar::clearCache();
        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        QProgressBar *plain = nullptr, *cached = nullptr;
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
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // The bar is opaque from the turn after its first paint on.
        QCoreApplication::processEvents();
        cached->update();
        compareLooks(cached, plain);
        QCOMPARE(CachedProgressBar::cachedPictures(), 1);

        if (change == QLatin1String("window recoloured")) {
            QPalette palette = window.palette();
            palette.setColor(QPalette::Window, QColor(120, 160, 90));
            window.setPalette(palette);
        }
        QScopedPointer<QStyle> windows(QStyleFactory::create(QStringLiteral("Windows")));
        for (QProgressBar *bar : {plain, cached}) {
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
                look(bar);
                bar->setValue(40);
            }
        }
        // A restyled bar paints itself once, and turns opaque again on the turn after.
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
        QVERIFY(cached->testAttribute(Qt::WA_OpaquePaintEvent));
        if (change == QLatin1String("focused")) {
            plain->setFocus();
            const auto expected = look(plain);
            cached->setFocus();
            QCOMPARE(look(cached), expected);
        } else {
            compareLooks(cached, plain);
        }
    }

    // A ramp picture that has painted itself, changed, against one made as it ends up.
    void picture(const QString &change)
    {
        const QString image = QStringLiteral(":/Images/sRamp1");
        InputHelper changed(image, AbstractRamp::rampMode(0));
        InputHelper fresh(image, AbstractRamp::rampMode(0));
        changed.resize(400, 300);
        changed.grab();
        QPalette palette = changed.palette();
        palette.setColor(QPalette::Base, QColor(250, 240, 200));
        for (InputHelper *helper : {&changed, &fresh}) {
            helper->resize(change == QLatin1String("resized") ? QSize(520, 390) : QSize(400, 300));
            if (change == QLatin1String("recoloured"))
                helper->setPalette(palette);
        }
        compareLooks(&changed, &fresh);
    }

private slots:
    void looksAsPlain_data()
    {
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("change");
        const std::pair<const char *, QStringList> rows[] = {
            {"backdrops", {"none", "palette", "resize", "title"}},
            {"bar",
             {"none", "disabled", "focused", "palette", "format", "resized", "style", "font",
              "value there and back", "window recoloured"}},
            {"picture", {"resized", "recoloured"}}};
        for (const auto &[subject, changes] : rows)
            for (const QString &change : changes)
                QTest::addRow("%s, %s", subject, qPrintable(change)) << QString(subject) << change;
    }

    void looksAsPlain()
    {
        QFETCH(QString, subject);
        QFETCH(QString, change);
        if (subject == QLatin1String("backdrops"))
            backdrops(change);
        else if (subject == QLatin1String("bar"))
            bars(change);
        else
            picture(change);
    }
};

QTEST_MAIN(TestCachedPainting)
#include "tst_cachedpainting.moc"
