#pragma once

// Names of dynamic QObject properties that the host's windows read from the widgets they show.
namespace DynamicProperty {
// QString: a longer tooltip that the input helper shows for a proxy and its source field.
constexpr char AdvancedTip[] = "dpAdvancedTip";
// QPoint: where the input helper places a proxy, in its picture's pixel coordinates.
constexpr char InputGIMPosition[] = "dpPosInput";
// QString: the prefix and suffix that a tool gave a proxy, which the input helper shows as a name
// and a unit around the value.
constexpr char GivenPrefix[] = "dpGivenPrefix";
constexpr char GivenSuffix[] = "dpGivenSuffix";
} // namespace DynamicProperty
