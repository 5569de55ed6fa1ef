#include "inputrefusal.h"

#include "hostmessages.h"

#include <QAbstractSpinBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QLocale>
#include <QSpinBox>
#include <QToolTip>

namespace InputRefusal {

namespace {
const char nameProperty[] = "_inputRefusalName";

QString number(const QAbstractSpinBox *field, double value)
{
    return QLocale().toString(qint64(value)) +
           field->property("suffix").toString(); // the unit, as the field shows it
}

void tell(QAbstractSpinBox *field)
{
    const double minimum = field->property("minimum").toDouble();
    const double maximum = field->property("maximum").toDouble();
    const QString name = field->property(nameProperty).toString();
    const QString reads =
        field->property("cleanText").toString() + field->property("suffix").toString();
    const QString message =
        QCoreApplication::translate(
            "InputRefusal", "%1 takes %2 to %3: that key was not taken, the field reads %4.")
            .arg(name.isEmpty() ? QCoreApplication::translate("InputRefusal", "This field") : name,
                 number(field, minimum), number(field, maximum), reads);
    QToolTip::showText(field->mapToGlobal(QPoint(0, field->height())), message, field);
    HostMessages::post(message);
}
} // namespace

void watch(QAbstractSpinBox *field, const QString &name)
{
    auto *edit = field->findChild<QLineEdit *>();
    if (!edit)
        return;
    rename(field, name);
    QObject::connect(edit, &QLineEdit::inputRejected, field, [field] { tell(field); });
}

void rename(QAbstractSpinBox *field, const QString &name)
{
    field->setProperty(nameProperty, name);
}

} // namespace InputRefusal
