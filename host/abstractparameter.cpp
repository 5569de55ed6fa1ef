#include "abstractparameter.h"

namespace Model {

AbstractParameter::AbstractParameter(const QString &key, QObject *parent)
    : QObject(parent), m_key(key)
{
    setObjectName(key);
}

AbstractParameter::~AbstractParameter() = default;

} // namespace Model
