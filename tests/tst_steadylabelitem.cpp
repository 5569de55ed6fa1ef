#include "steadylabelitem.h"
#include "testsupport.h"

#include <QtTest>
#include <QtWidgets>

#include <limits>

namespace {

// A grid as in the position tool: a caption and the number in one row, a button and a spin box
// under the number. Without the spin box the number alone decides its column's width.
struct Form
{
    Form(bool steady, bool withSpinBox)
    {
        auto *grid = new QGridLayout(&window);
        grid->addWidget(new QLabel(QStringLiteral("Actual position:")), 0, 0);
        number->setFrameShape(QFrame::Panel);
        number->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        number->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Fixed);
        grid->addWidget(number, 0, 1);
        grid->addWidget(new QPushButton(QStringLiteral("Clear")), 1, 1);
        if (withSpinBox) {
            auto *spin = new QSpinBox;
            spin->setRange(std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
            grid->addWidget(spin, 2, 1);
        }
        grid->setRowStretch(3, 1);
        if (steady)
            SteadyLabelItem::install(grid, number);
        window.show();
    }
    void resize(int width)
    {
        window.resize(width, 160);
        QCoreApplication::sendPostedEvents();
        QCoreApplication::sendPostedEvents();
    }

    QWidget window;
    QLabel *number = new QLabel(QStringLiteral("0"));
};

} // namespace

class TestSteadyLabelItem : public QObject
{
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    // With a spin box as wide as any number, the form lays out as it would with a plain label,
    // at every width, also after growing and shrinking again.
    void laysOutAsAPlainLabel_data()
    {
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("as opened") << QList<int>{};
        QTest::newRow("wider, then narrow") << QList<int>{700, 200};
        QTest::newRow("narrow, then wider") << QList<int>{100, 450};
    }

    void laysOutAsAPlainLabel()
    {
        QFETCH(QList<int>, widths);
        Form plain(false, true), steady(true, true);
        for (int width : widths) {
            plain.resize(width);
            steady.resize(width);
        }
        QCoreApplication::sendPostedEvents();
        QCOMPARE(steady.window.size(), plain.window.size());
        QCOMPARE(steady.window.minimumSizeHint(), plain.window.minimumSizeHint());
        QCOMPARE(steady.number->geometry(), plain.number->geometry());
    }

    void widestNumberFits()
    {
        Form form(true, false);
        form.resize(10); // as narrow as the layout lets it be
        const QString widest = QString::number(std::numeric_limits<int>::min());
        form.number->setText(widest);
        QCoreApplication::sendPostedEvents();
        QVERIFY2(form.number->contentsRect().width() >=
                     form.number->fontMetrics().horizontalAdvance(widest),
                 qPrintable(QString::number(form.number->width())));
    }

    // A new number in the label asks for no layout and moves nothing.
    void newTextNeedsNoLayout()
    {
        Form form(true, true);
        QVERIFY(QTest::qWaitForWindowExposed(&form.window));
        QCoreApplication::sendPostedEvents();
        const QRect before = form.number->geometry();
        TestSupport::EventCounter requests(&form.window, QEvent::LayoutRequest);
        for (int value : {5, -123456, 2147483647, 7})
            form.number->setText(QString::number(value));
        QCoreApplication::sendPostedEvents();
        QCOMPARE(requests.count, 0);
        QCOMPARE(form.number->geometry(), before);
    }
};

QTEST_MAIN(TestSteadyLabelItem)
#include "tst_steadylabelitem.moc"
