// Words of a panel hint list, spelled as the host decodes them: a tag, then
// its fixed arguments, then (for list tags) ids ended by 0. Each macro writes
// one whole entry, so a kind's hint list reads as its panel does.
#pragma once

#include "hostapi/xpanel.h"

#define FW_WORD(value) HOST_HINT_WORD(value)
#define FW_CALLBACK(function) reinterpret_cast<HostPanelHint>(function)

#define FW_HINT_CHANGE_NOTIFY(function) FW_WORD(HOST_XPTAG_CHGNOTIFY), FW_CALLBACK(function)
#define FW_HINT_DESTROY_NOTIFY(function) \
    FW_WORD(HOST_XPTAG_DESTROYNOTIFY), FW_CALLBACK(function), nullptr
// A control whose value has the same id, as every control here does.
#define FW_HINT_ADD(id, controlType) FW_WORD(HOST_XPTAG_ADD), FW_WORD(id), controlType, FW_WORD(id)
#define FW_HINT_LABEL(id, text) FW_WORD(HOST_XPTAG_LABEL), FW_WORD(id), text, nullptr
#define FW_HINT_CONTROL(id, controlType, text) FW_HINT_ADD(id, controlType), FW_HINT_LABEL(id, text)
#define FW_HINT_CHOICES(id, texts) FW_WORD(HOST_XPTAG_STRLIST), FW_WORD(id), texts, nullptr
#define FW_HINT_INT_TRANSFORM(id, count, table) \
    FW_WORD(HOST_XPTAG_INTXFORM), FW_WORD(id), FW_WORD(count), table
#define FW_HINT_POPUP_FUNCS(id, count, name) \
    FW_WORD(HOST_XPTAG_POPFUNCS), FW_WORD(id), FW_CALLBACK(count), FW_CALLBACK(name)
#define FW_HINT_BUTTON(id, function) \
    FW_WORD(HOST_XPTAG_BUTNOTIFY), FW_WORD(id), FW_CALLBACK(function)
#define FW_HINT_MIN(id, minimum) FW_WORD(HOST_XPTAG_MIN), FW_WORD(id), FW_WORD(minimum)
#define FW_HINT_MAX(id, maximum) FW_WORD(HOST_XPTAG_MAX), FW_WORD(id), FW_WORD(maximum)
#define FW_HINT_RANGE(id, minimum, maximum, step) \
    FW_WORD(HOST_XPTAG_RANGE), FW_WORD(id), FW_WORD(minimum), FW_WORD(maximum), FW_WORD(step)
#define FW_HINT_HARD_MIN_MAX(id, minimum, maximum) \
    FW_WORD(HOST_XPTAG_HARDMINMAX), FW_WORD(id), FW_WORD(minimum), FW_WORD(maximum)
#define FW_HINT_SLIDER(id, kind) FW_WORD(HOST_XPTAG_SLIDER), FW_WORD(id), FW_WORD(kind)
// Enable map: the listed ids are enabled while table[value] is non-zero or,
// with a null table, while the controlling value is non-zero.
#define FW_HINT_ENABLE(controller, text, table, ...) \
    FW_WORD(HOST_XPTAG_ENABLE), FW_WORD(controller), text, nullptr, table, __VA_ARGS__, nullptr
#define FW_HINT_STACK(stack, controller, table, ...) \
    FW_WORD(HOST_XPTAG_STACK), FW_WORD(stack), FW_WORD(controller), table, __VA_ARGS__, nullptr
#define FW_HINT_GROUP(group, ...) FW_WORD(HOST_XPTAG_GROUP), FW_WORD(group), __VA_ARGS__, nullptr
#define FW_HINT_TABS(tabs, ...) FW_WORD(HOST_XPTAG_TABS), FW_WORD(tabs), __VA_ARGS__, nullptr
#define FW_HINT_LEFT_ALIGN(...) FW_WORD(HOST_XPTAG_LEFTALIGN), __VA_ARGS__, nullptr
#define FW_HINT_NARROW(...) FW_WORD(HOST_XPTAG_NARROW), __VA_ARGS__, nullptr
#define FW_HINT_BORDER(border, ...) \
    FW_WORD(HOST_XPTAG_BORDER), FW_WORD(border), __VA_ARGS__, nullptr
#define FW_HINT_END nullptr

// The first and last entries of every hint list: the kind's common
// change-notify, then at the end the panel-destroy callback and the closing
// word. (lifecycle.h declares the two callbacks.)
#define FW_HINT_BEGIN(kind) FW_HINT_CHANGE_NOTIFY(fw::changeNotify<kind>)
#define FW_HINT_FINISH FW_HINT_DESTROY_NOTIFY(fw::panelDestroy), FW_HINT_END

// A value's control and label, taken from its row (value_row.h): an id
// without a row does not compile.
#define FW_HINT_VALUE(rows, id)                          \
    FW_HINT_ADD(id, fw::valueRow(rows, id).controlType), \
        FW_HINT_LABEL(id, fw::valueRow(rows, id).label)

// Ids inside the variadic lists above.
#define FW_IDS(...) __VA_ARGS__
#define FW_ID(id) FW_WORD(id)
