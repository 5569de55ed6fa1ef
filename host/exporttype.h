#pragma once

#include <QString>

// Describes a value that one tool exports to its siblings (PluginInterface::importValue).
struct export_type_t
{
    QString name;
    QString unit;
    int type = 0;
};
