#include "settingsfile.h"

#include "axilmoduleinterface.h"
#include "axilparameter.h"
#include "axiscontroller.h"
#include "parametertype.h"
#include "pluginvariant.h"
#include "toolhost.h"

#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>
#include <QSet>

#include <cmath>
#include <utility>

const char SettingsFile::formatName[] = "positionmode-settings";

namespace {

using namespace ParameterType;

const QLatin1String formatKey("format");
const QLatin1String versionKey("version");
const QLatin1String motorsKey("motors");
const QLatin1String motorKey("motor");
const QLatin1String variantKey("variant");
const QLatin1String parametersKey("parameters");

// The largest integer a JSON number (a double) holds exactly.
constexpr double largestExactInteger = 9007199254740992.0;

bool toInteger(const QJsonValue &value, qint64 *result)
{
    if (!value.isDouble())
        return false;
    const double d = value.toDouble();
    if (!std::isfinite(d) || std::trunc(d) != d || std::fabs(d) > largestExactInteger)
        return false;
    *result = qint64(d);
    return true;
}

// A JSON value as the file shows it, for messages.
QString shown(const QJsonValue &value)
{
    switch (value.type()) {
    case QJsonValue::Double:
        return QString::number(value.toDouble(), 'g', 17);
    case QJsonValue::String:
        return QLatin1Char('"') + value.toString() + QLatin1Char('"');
    case QJsonValue::Bool:
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QJsonValue::Array:
        return QStringLiteral("an array");
    case QJsonValue::Object:
        return QStringLiteral("an object");
    default:
        return QStringLiteral("null");
    }
}

QString familyOf(int variant)
{
    const QString family = ToolHost::familyName(variant);
    return family.isEmpty() ? QString::number(variant)
                            : QStringLiteral("%1 (%2)").arg(variant).arg(family);
}

bool fail(QString *reason, const QString &text)
{
    *reason = text;
    return false;
}

} // namespace

QStringList SettingsFile::keys(int variant)
{
    // What each tool binds: the relative positioning option of the position controls, then the
    // fields of the ramp panel (Rowan: of its ramp group). The order is the order of writing;
    // Larch's maxima and start/stop velocities go before the values its trapezoidal switch
    // derives from them, so that the file's values are the ones that stay.
    static const QHash<int, QStringList> table{
        {PluginVariant::StepperBirchPositionMode,
         {cmd_RelativePositioningOption, cmd_PulseDivisor, cmd_RampDivisor, cmd_MaxVelocity,
          cmd_MaxAcceleration}},
        {PluginVariant::StepperCedarPositionMode,
         {cmd_RelativePositioningOption, cmd_MaxVelocity, cmd_MaxAcceleration, cmd_MaxDeceleration,
          cmd_Bow}},
        {PluginVariant::StepperHazelPositionMode,
         {cmd_RelativePositioningOption, cmd_MaxVelocity, cmd_MaxAcceleration, cmd_MaxDeceleration,
          cmd_StartVelocity, cmd_StopVelocity, cmd_StartAcceleration, cmd_BreakVelocity,
          cmd_FinalDeceleration, cmd_StopDeceleration, cmd_Bow1, cmd_Bow2, cmd_Bow3, cmd_Bow4,
          cmd_SShapedRamp}},
        {PluginVariant::StepperMaplePositionMode,
         {cmd_RelativePositioningOption, cmd_MaxVelocity, cmd_MaxAcceleration, cmd_MaxDeceleration,
          cmd_StartVelocity, cmd_StopVelocity, cmd_A1, cmd_D1, cmd_V1, cmd_TZEROWAIT}},
        {PluginVariant::StepperLarchPositionMode,
         {cmd_RelativePositioningOption, cmd_MaxVelocity, cmd_MaxAcceleration, cmd_MaxDeceleration,
          cmd_StartVelocity, cmd_StopVelocity, cmd_A1, cmd_A2, cmd_V1, cmd_V2, cmd_D1, cmd_D2,
          cmd_TVMAX, cmd_TZEROWAIT}},
        {PluginVariant::StepperRowanPositionMode,
         {cmd_RelativePositioningOption, cmd_MaxVelocity, cmd_MaxAcceleration,
          cmd_StartStopVelocity}},
    };
    return table.value(variant);
}

QJsonDocument SettingsFile::capture(AxilModuleInterface *module)
{
    QJsonArray motors;
    for (int m = 0; module && m < module->motorCount(); ++m) {
        const auto motor = static_cast<unsigned char>(m);
        const int variant = module->pluginVariant(motor);
        const AxisController *controller = module->controller(motor);
        const QStringList wanted = keys(variant);
        if (wanted.isEmpty() || !controller)
            continue;
        QJsonObject parameters;
        for (const QString &key : wanted) {
            Model::AxilParameter *parameter = controller->parameter(key);
            if (parameter && module->hasParameter(motor, key))
                parameters.insert(key, double(parameter->readValue(false)));
        }
        motors.append(
            QJsonObject{{motorKey, m}, {variantKey, variant}, {parametersKey, parameters}});
    }
    return QJsonDocument(QJsonObject{
        {formatKey, QLatin1String(formatName)}, {versionKey, formatVersion}, {motorsKey, motors}});
}

bool SettingsFile::check(const QByteArray &document, const AxilModuleInterface *module,
                         QVector<Write> *writes, int *motors, QString *reason,
                         const QSet<int> &trapezoidal)
{
    writes->clear();
    *motors = 0;
    if (!module)
        return fail(reason, tr("no module is connected"));
    QJsonParseError parseError;
    const QJsonDocument json = QJsonDocument::fromJson(document, &parseError);
    if (json.isNull())
        return fail(
            reason,
            tr("not JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!json.isObject())
        return fail(reason, tr("not a settings file: no JSON object at the top"));
    const QJsonObject top = json.object();
    if (top.value(formatKey).toString() != QLatin1String(formatName))
        return fail(reason, tr("not a settings file: \"format\" is %1, not \"%2\"")
                                .arg(shown(top.value(formatKey)), QLatin1String(formatName)));
    qint64 version = 0;
    if (!toInteger(top.value(versionKey), &version) || version < 1)
        return fail(
            reason,
            tr("\"version\" is %1, not a version number").arg(shown(top.value(versionKey))));
    if (version > formatVersion)
        return fail(reason, tr("version %1 is newer than this workbench reads (%2)")
                                .arg(version)
                                .arg(formatVersion));
    if (!top.value(motorsKey).isArray())
        return fail(reason, tr("\"motors\" is %1, not an array").arg(shown(top.value(motorsKey))));

    QSet<qint64> seen;
    for (const QJsonValue &entry : top.value(motorsKey).toArray()) {
        const QJsonObject object = entry.toObject();
        qint64 motor = 0;
        if (!toInteger(object.value(motorKey), &motor))
            return fail(reason, tr("a motor entry has \"motor\" %1, not a motor number")
                                    .arg(shown(object.value(motorKey))));
        if (motor < 0 || motor >= module->motorCount())
            return fail(reason, tr("motor %1: the module has no such motor (it has 0 to %2)")
                                    .arg(motor)
                                    .arg(module->motorCount() - 1));
        if (seen.contains(motor))
            return fail(reason, tr("motor %1 is listed twice").arg(motor));
        seen.insert(motor);
        const auto m = static_cast<unsigned char>(motor);
        const int variant = module->pluginVariant(m);
        qint64 fileVariant = 0;
        const bool hasVariant = toInteger(object.value(variantKey), &fileVariant);
        if (!hasVariant || fileVariant != variant)
            return fail(reason, tr("motor %1: the settings are for variant %2, the module's "
                                   "motor is variant %3")
                                    .arg(motor)
                                    .arg(hasVariant ? familyOf(int(fileVariant))
                                                    : shown(object.value(variantKey)))
                                    .arg(familyOf(variant)));
        if (!object.value(parametersKey).isObject())
            return fail(reason, tr("motor %1: \"parameters\" is %2, not an object")
                                    .arg(motor)
                                    .arg(shown(object.value(parametersKey))));
        const QJsonObject parameters = object.value(parametersKey).toObject();
        const QStringList known = keys(variant);
        QHash<QString, qint64> values;
        for (auto it = parameters.begin(); it != parameters.end(); ++it) {
            const QString &key = it.key();
            if (!known.contains(key))
                return fail(reason, tr("motor %1, %2: not a setting of a %3 motor")
                                        .arg(motor)
                                        .arg(key, familyOf(variant)));
            if (!module->hasParameter(m, key))
                return fail(reason, tr("motor %1, %2: the module's motor has no such parameter")
                                        .arg(motor)
                                        .arg(key));
            qint64 value = 0;
            if (!toInteger(it.value(), &value))
                return fail(reason, tr("motor %1, %2: %3 is not an integer")
                                        .arg(motor)
                                        .arg(key, shown(it.value())));
            const Model::ParameterInfo info = module->describeParameter(m, key);
            if (info.readOnly)
                return fail(reason,
                            tr("motor %1, %2: the parameter is read-only").arg(motor).arg(key));
            if (value < info.minimum || value > info.maximum)
                return fail(reason, tr("motor %1, %2: %3 lies outside the module's limits, "
                                       "%4 to %5")
                                        .arg(motor)
                                        .arg(key)
                                        .arg(value)
                                        .arg(info.minimum)
                                        .arg(info.maximum));
            values.insert(key, value);
        }
        // What a Larch tool would set again on its own at its next check (its tab shown, a
        // move) is refused here: a stop velocity not above a start velocity over 10, and, with
        // the trapezoidal ramp, V1 to D2 other than the ramp holds them. Each value is the
        // file's, or else the one the host knows.
        const AxisController *controller = module->controller(m);
        const auto current = [&values](const char *key, const Model::AxilParameter *p) {
            return values.value(QLatin1String(key), p ? p->lastKnownValue() : 0);
        };
        if (variant == PluginVariant::StepperLarchPositionMode && controller &&
            controller->startVelocity && controller->stopVelocity) {
            const qint64 start = current(cmd_StartVelocity, controller->startVelocity);
            const qint64 stop = current(cmd_StopVelocity, controller->stopVelocity);
            if (start > 10 && stop <= start)
                return fail(reason, tr("motor %1: %2 %3 is not above %4 %5; a Larch motor keeps "
                                       "its stop velocity above a start velocity over 10")
                                        .arg(motor)
                                        .arg(QLatin1String(cmd_StopVelocity))
                                        .arg(stop)
                                        .arg(QLatin1String(cmd_StartVelocity))
                                        .arg(start));
        }
        if (variant == PluginVariant::StepperLarchPositionMode && controller &&
            trapezoidal.contains(int(motor))) {
            const qint64 amax = current(cmd_MaxAcceleration, controller->maxAcceleration);
            const qint64 dmax = current(cmd_MaxDeceleration, controller->maxDeceleration);
            const std::pair<const char *, qint64> held[] = {{cmd_V1, 0},    {cmd_V2, 0},
                                                            {cmd_A1, amax}, {cmd_A2, amax},
                                                            {cmd_D1, dmax}, {cmd_D2, dmax}};
            for (const auto &[key, value] : held) {
                const QString k = QLatin1String(key);
                if (values.contains(k) && values.value(k) != value)
                    return fail(reason, tr("motor %1, %2: %3, but its tool is switched to the "
                                           "trapezoidal ramp, which holds it at %4; switch the "
                                           "tool to the eight-point ramp first")
                                            .arg(motor)
                                            .arg(k)
                                            .arg(values.value(k))
                                            .arg(value));
            }
        }
        for (const QString &key : known) {
            if (values.contains(key))
                writes->append({int(motor), key, values.value(key)});
        }
    }
    *motors = seen.size();
    return true;
}

bool SettingsFile::apply(AxilModuleInterface *module, const QVector<Write> &writes, QString *reason)
{
    QVector<Write> ordered = writes;
    // A start velocity raised to or above the stop velocity the host knows (the one a shown Larch
    // panel judges it against) would have the panel raise the stop velocity on its own; the new
    // stop velocity goes first then. The other
    // way round (a stop velocity lowered to or below the held start velocity) cannot come with
    // it in a file whose start lies below its stop, and the start velocity goes first as listed.
    const QString startKey = QLatin1String(cmd_StartVelocity);
    const QString stopKey = QLatin1String(cmd_StopVelocity);
    for (int i = 0; i < ordered.size(); ++i) {
        if (ordered[i].key != startKey)
            continue;
        for (int j = i + 1; j < ordered.size() && ordered[j].motor == ordered[i].motor; ++j) {
            if (ordered[j].key != stopKey)
                continue;
            const AxisController *controller =
                module->controller(static_cast<unsigned char>(ordered[i].motor));
            if (controller && ordered[i].value >= controller->stopVelocity->lastKnownValue())
                std::swap(ordered[i], ordered[j]);
            break;
        }
    }
    for (const Write &w : qAsConst(ordered)) {
        const AxisController *controller = module->controller(static_cast<unsigned char>(w.motor));
        Model::AxilParameter *parameter = controller ? controller->parameter(w.key) : nullptr;
        if (!parameter || !parameter->writeValue(w.value))
            return fail(
                reason,
                tr("motor %1, %2: the module refused %3").arg(w.motor).arg(w.key).arg(w.value));
    }
    return true;
}

bool SettingsFile::load(AxilModuleInterface *module, const QByteArray &document,
                        const QString &source, int *motors, QString *error,
                        const QSet<int> &trapezoidal)
{
    QVector<Write> writes;
    QString reason;
    if (!check(document, module, &writes, motors, &reason, trapezoidal)) {
        *error = tr("Refused the settings of %1: %2; nothing was written.").arg(source, reason);
        return false;
    }
    if (!apply(module, writes, &reason)) {
        *error = tr("The settings of %1 were written only in part: %2.").arg(source, reason);
        return false;
    }
    return true;
}

bool SettingsFile::loadFile(AxilModuleInterface *module, const QString &fileName, int *motors,
                            QString *error, const QSet<int> &trapezoidal)
{
    *motors = 0;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = tr("Cannot read settings from %1: %2.").arg(fileName, file.errorString());
        return false;
    }
    return load(module, file.readAll(), fileName, motors, error, trapezoidal);
}

bool SettingsFile::saveFile(AxilModuleInterface *module, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly) || file.write(capture(module).toJson()) < 0 ||
        !file.commit()) {
        *error = tr("Cannot write settings to %1: %2.").arg(fileName, file.errorString());
        return false;
    }
    return true;
}
