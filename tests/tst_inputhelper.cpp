// The input helper window: proxies placed on the picture, values passed by object name, lines to
// the picture's anchors, tooltips and the closed signal.

#include "dynamicproperty.h"
#include "inputhelper.h"
#include "spinbox.h"

#include <QHelpEvent>
#include <QPointer>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

class TestInputHelper : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init() { QLocale::setDefault(QLocale::c()); }
    void placesProxiesAndLines_data();
    void placesProxiesAndLines();
    void valuesReachTheProxyOfTheSendersName();
    void tipsAndClosing();

private:
    SpinBox *addProxy(InputHelper &helper, const QString &name, QPoint at)
    {
        auto *proxy = new SpinBox();
        proxy->setObjectName(name);
        proxy->setRange(0, 100000);
        proxy->setProperty(DynamicProperty::InputGIMPosition, at);
        helper.addProxyItem(proxy, false);
        return proxy;
    }
    QTemporaryDir dir;
    QString picture;
};

void TestInputHelper::initTestCase()
{
    // 200 x 100 pixels over a viewBox twice as large; the anchor sits in a moved group, so its
    // centre is ((-12 + 20) / 2, (2 + 10) / 2) = (4, 6) in picture pixels.
    picture = dir.filePath(QStringLiteral("ramp.svg"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"
        viewBox="0 0 400 200"><path d="M 0 200 L 100 50 L 300 50 L 400 200" stroke="black"/>
        <g transform="translate(20,10)"><rect id="Anchor-editA" x="-16" y="-2" width="8"
        height="8"/></g></svg>)svg");
}

void TestInputHelper::placesProxiesAndLines_data()
{
    QTest::addColumn<bool>("withPicture");
    QTest::addColumn<qreal>("resizeBy"); // of the natural size
    QTest::newRow("natural size") << true << 1.0;
    QTest::newRow("enlarged") << true << 2.0;
    QTest::newRow("smallest") << true << 0.5;
    QTest::newRow("no picture") << false << 1.0;
}

void TestInputHelper::placesProxiesAndLines()
{
    QFETCH(bool, withPicture);
    QFETCH(qreal, resizeBy);
    if (!withPicture)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot open")));
    InputHelper helper(withPicture ? picture : QStringLiteral(":/no/such/picture"),
                       AbstractRamp::SShaped);
    QCOMPARE(helper.hasPicture(), withPicture);
    // The last two would cover each other on the picture at its own size.
    const QVector<QPoint> places{{10, 20}, {150, 60}, {150, 80}};
    const QVector<SpinBox *> proxies{addProxy(helper, "editA", places.at(0)),
                                     addProxy(helper, "editB", places.at(1)),
                                     addProxy(helper, "editC", places.at(2))};
    helper.workaroundAdjust();
    const qreal natural = helper.scale();
    QVERIFY(natural > 1 && !proxies.at(1)->geometry().intersects(proxies.at(2)->geometry()));
    helper.show();
    helper.resize(helper.size() * resizeBy);

    QCOMPARE(helper.scale() > natural * 1.5, resizeBy > 1);
    QCOMPARE(helper.scale() < natural, resizeBy < 1);
    const QPoint origin = helper.pictureRect().topLeft();
    if (withPicture)
        QCOMPARE(helper.pictureRect().size(), (QSizeF(200, 100) * helper.scale()).toSize());
    for (int i = 0; i < proxies.size(); ++i) {
        QVERIFY(proxies.at(i)->isVisibleTo(&helper));
        QCOMPARE(proxies.at(i)->pos(), origin + places.at(i) * helper.scale());
        if (resizeBy >= 1)
            QVERIFY(helper.rect().contains(proxies.at(i)->geometry()));
    }
    // Only editA has an anchor; its line leaves the proxy at the corner nearest to it.
    const QPointF anchor = withPicture ? origin + QPointF(4, 6) * helper.scale() : QPointF();
    QCOMPARE(helper.anchorPoint("editA"), anchor);
    const QVector<QLineF> lines{QLineF(proxies.first()->geometry().topLeft(), anchor)};
    QCOMPARE(helper.lines(), withPicture ? lines : QVector<QLineF>());
}

void TestInputHelper::valuesReachTheProxyOfTheSendersName()
{
    InputHelper helper(picture, AbstractRamp::SShaped);
    SpinBox *a = addProxy(helper, QStringLiteral("editA"), QPoint(10, 10));
    SpinBox *b = addProxy(helper, QStringLiteral("editB"), QPoint(100, 10));
    b->setValue(7);
    SpinBox field;
    field.setObjectName(QStringLiteral("editA"));
    field.setRange(0, 100000);
    connect(&field, SIGNAL(valueChanged(int)), &helper, SLOT(setValue(int)));
    connect(a, SIGNAL(valueChanged(int)), &field, SLOT(setValue(int)));
    QSignalSpy fieldChanges(&field, SIGNAL(valueChanged(int)));
    QSignalSpy proxyChanges(a, SIGNAL(valueChanged(int)));

    // Each value passes once between field and proxy, and only to the proxy of that name; a
    // proxy grows to show a longer value.
    const int narrow = a->width();
    field.setValue(99999);
    QVERIFY(a->intValue() == 99999 && a->width() > narrow);
    a->setValue(99);
    QCOMPARE(QVector<int>({field.intValue(), b->intValue()}), QVector<int>({99, 7}));
    QCOMPARE(QVector<int>({fieldChanges.count(), proxyChanges.count()}), QVector<int>({2, 2}));
}

void TestInputHelper::tipsAndClosing()
{
    auto *tool = new QWidget;
    QPointer<InputHelper> helper = new InputHelper(picture, AbstractRamp::SShaped, tool);
    QPointer<SpinBox> proxy = addProxy(*helper, QStringLiteral("editA"), QPoint(10, 10));
    proxy->setToolTip(QStringLiteral("short"));
    proxy->setProperty(DynamicProperty::AdvancedTip, QStringLiteral("Velocity VMAX long"));
    QSignalSpy closed(helper.data(), &InputHelper::closed);
    helper->show();
    QVERIFY(QTest::qWaitForWindowExposed(helper));
    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), proxy->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(proxy, &hover);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Velocity VMAX long"));
    QCOMPARE(proxy->toolTip(), QStringLiteral("short"));
    QToolTip::hideText();

    // Hiding is not closing; closing says false.
    helper->hide();
    QCOMPARE(closed.count(), 0);
    helper->show();
    QVERIFY(helper->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toBool(), false);
    // Window and proxies go with the window's parent.
    delete tool;
    QVERIFY(!helper && !proxy);
}

QTEST_MAIN(TestInputHelper)
#include "tst_inputhelper.moc"
