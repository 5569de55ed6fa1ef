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
    void placesProxiesOnThePicture_data();
    void placesProxiesOnThePicture();
    void valuesReachTheProxyOfTheSendersName();
    void linesRunToTheAnchors();
    void showsTheAdvancedTip();
    void closingSaysFalse();

private:
    SpinBox *addProxy(InputHelper &helper, const QString &name, QPoint at);
    QTemporaryDir dir;
    QString picture;
};

void TestInputHelper::initTestCase()
{
    // 200 x 100 pixels over a viewBox twice as large; the anchor sits in a moved group, so its
    // centre is ((100 + 20) / 2, (50 + 10) / 2) = (60, 30) in picture pixels.
    QVERIFY(dir.isValid());
    picture = dir.filePath(QStringLiteral("ramp.svg"));
    QFile file(picture);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(R"svg(<svg xmlns="http://www.w3.org/2000/svg" width="200" height="100"
                       viewBox="0 0 400 200">
                    <path d="M 0 200 L 100 50 L 300 50 L 400 200" stroke="black" fill="none"/>
                    <g transform="translate(20,10)">
                      <rect id="Anchor-editA" x="96" y="46" width="8" height="8" opacity="0"/>
                    </g>
                  </svg>)svg");
}

SpinBox *TestInputHelper::addProxy(InputHelper &helper, const QString &name, QPoint at)
{
    auto *proxy = new SpinBox();
    proxy->setObjectName(name);
    proxy->setRange(0, 100000);
    proxy->setPrefix(QStringLiteral("Velocity "));
    proxy->setSuffix(QStringLiteral(" pps"));
    proxy->setProperty(DynamicProperty::InputGIMPosition, at);
    helper.addProxyItem(proxy, false);
    return proxy;
}

void TestInputHelper::placesProxiesOnThePicture_data()
{
    QTest::addColumn<bool>("withPicture");
    QTest::addColumn<qreal>("resizeBy"); // of the natural size
    QTest::newRow("natural size") << true << 1.0;
    QTest::newRow("enlarged") << true << 2.0;
    QTest::newRow("smallest") << true << 0.5;
    QTest::newRow("no picture") << false << 1.0;
}

void TestInputHelper::placesProxiesOnThePicture()
{
    QFETCH(bool, withPicture);
    QFETCH(qreal, resizeBy);
    QWidget tool;
    if (!withPicture)
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("Cannot open")));
    InputHelper helper(withPicture ? picture : QStringLiteral(":/no/such/picture"),
                       AbstractRamp::SShaped, &tool);
    QCOMPARE(helper.hasPicture(), withPicture);
    QVERIFY(helper.isWindow());
    // The last two would cover each other on the picture at its own size.
    const QVector<QPoint> places{{10, 20}, {150, 60}, {150, 80}};
    QVector<SpinBox *> proxies;
    for (const QPoint &at : places)
        proxies << addProxy(helper, QStringLiteral("edit%1").arg(proxies.size()), at);
    helper.workaroundAdjust();
    const qreal natural = helper.scale();
    QVERIFY(natural > 1);
    QVERIFY(!proxies.at(1)->geometry().intersects(proxies.at(2)->geometry()));
    helper.show();
    helper.resize(helper.size() * resizeBy);

    QCOMPARE(helper.scale() > natural * 1.5, resizeBy > 1);
    QCOMPARE(helper.scale() < natural, resizeBy < 1);
    if (withPicture)
        QCOMPARE(helper.pictureRect().size(), (QSizeF(200, 100) * helper.scale()).toSize());
    if (resizeBy >= 1 && withPicture)
        QVERIFY(helper.rect().contains(helper.pictureRect()));
    for (int i = 0; i < proxies.size(); ++i) {
        SpinBox *proxy = proxies.at(i);
        QCOMPARE(proxy->parentWidget(), &helper);
        QVERIFY(proxy->isVisibleTo(&helper));
        QCOMPARE(proxy->prefix(), QStringLiteral("Velocity "));
        QCOMPARE(proxy->pos(), helper.pictureRect().topLeft() + places.at(i) * helper.scale());
        if (resizeBy >= 1)
            QVERIFY(helper.rect().contains(proxy->geometry()));
    }
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

    field.setValue(4200);
    QCOMPARE(a->intValue(), 4200);
    QCOMPARE(b->intValue(), 7);
    QCOMPARE(fieldChanges.count(), 1);
    QCOMPARE(proxyChanges.count(), 1);

    // An edit in the proxy goes to the field and stops there.
    a->setValue(99);
    QCOMPARE(field.intValue(), 99);
    QCOMPARE(fieldChanges.count(), 2);
    QCOMPARE(proxyChanges.count(), 2);

    // A proxy grows with a longer value, so it still shows all of it.
    const int narrow = a->width();
    field.setValue(99999);
    QVERIFY(a->width() > narrow);
}

void TestInputHelper::linesRunToTheAnchors()
{
    InputHelper helper(picture, AbstractRamp::SShaped);
    SpinBox *a = addProxy(helper, QStringLiteral("editA"), QPoint(120, 70));
    addProxy(helper, QStringLiteral("editB"), QPoint(10, 10)); // no anchor: no line
    helper.workaroundAdjust();
    helper.updatePolygon();

    const QPointF anchor = helper.pictureRect().topLeft() + QPointF(60, 30) * helper.scale();
    QCOMPARE(helper.anchorPoint(QStringLiteral("editA")), anchor);
    QVERIFY(helper.anchorPoint(QStringLiteral("editB")).isNull());
    QCOMPARE(helper.lines().size(), 1);
    const QLineF line = helper.lines().first();
    QCOMPARE(line.p2(), anchor);
    // The line leaves the proxy at its corner nearest to the anchor.
    QCOMPARE(line.p1(), QPointF(a->geometry().topLeft()));

    // The lines follow the proxies when the picture is scaled.
    helper.show();
    helper.resize(helper.size() * 2);
    QVERIFY(helper.scale() > 1.5);
    QCOMPARE(helper.lines().first().p2(),
             helper.pictureRect().topLeft() + QPointF(60, 30) * helper.scale());
}

void TestInputHelper::showsTheAdvancedTip()
{
    InputHelper helper(picture, AbstractRamp::SShaped);
    SpinBox *proxy = addProxy(helper, QStringLiteral("editA"), QPoint(10, 10));
    proxy->setToolTip(QStringLiteral("short"));
    proxy->setProperty(DynamicProperty::AdvancedTip, QStringLiteral("Velocity VMAX long"));
    helper.show();
    QVERIFY(QTest::qWaitForWindowExposed(&helper));

    QHelpEvent hover(QEvent::ToolTip, QPoint(2, 2), proxy->mapToGlobal(QPoint(2, 2)));
    QApplication::sendEvent(proxy, &hover);
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("Velocity VMAX long"));
    QCOMPARE(proxy->toolTip(), QStringLiteral("short"));
    QToolTip::hideText();
}

void TestInputHelper::closingSaysFalse()
{
    auto *tool = new QWidget;
    QPointer<InputHelper> helper = new InputHelper(picture, AbstractRamp::SShaped, tool);
    QPointer<SpinBox> proxy = addProxy(*helper, QStringLiteral("editA"), QPoint(10, 10));
    QSignalSpy closed(helper.data(), &InputHelper::closed);
    helper->show();
    helper->hide();
    QCOMPARE(closed.count(), 0);
    helper->show();
    QVERIFY(helper->close());
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed.first().first().toBool(), false);

    // Window and proxies go with the window's parent.
    delete tool;
    QVERIFY(!helper);
    QVERIFY(!proxy);
}

QTEST_MAIN(TestInputHelper)
#include "tst_inputhelper.moc"
