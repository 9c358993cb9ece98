// Making the deferred text of a number.
#include "values/value.h"

#include "values/conversions.h"

namespace talven {

void Value::make_text() const
{
    if (m_deferred == Deferred::Long)
        format_long(m_text, m_deferred_long, m_width);
    else
        m_text = float_to_text(m_deferred_real, m_decimals, m_width);
    m_deferred = Deferred::None;
}

} // namespace talven
