#include "BarFocus.h"

void BarFocus::setControl(Control control)
{
    if (m_control == control)
        return;
    m_control = control;
    Q_EMIT controlChanged();
}

void BarFocus::resign(Control control)
{
    if (m_control == control)
        setControl(None);
}
