#include "QmlForeignTypes.h"

namespace {
QmlInstances::Set instances;
}

void QmlInstances::set(const Set &value)
{
    instances = value;
}

const QmlInstances::Set &QmlInstances::get()
{
    return instances;
}
