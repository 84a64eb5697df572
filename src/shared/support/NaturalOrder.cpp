#include "NaturalOrder.h"

namespace vello {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

int compareFolded(const QString& a, const QString& b)
{
    const qsizetype na = a.size();
    const qsizetype nb = b.size();
    qsizetype i = 0;
    qsizetype j = 0;
    while (i < na && j < nb) {
        if (isDigit(a.at(i)) && isDigit(b.at(j))) {
            qsizetype si = i;
            qsizetype sj = j;
            while (si < na && a.at(si) == u'0')
                ++si;
            while (sj < nb && b.at(sj) == u'0')
                ++sj;
            qsizetype ei = si;
            qsizetype ej = sj;
            while (ei < na && isDigit(a.at(ei)))
                ++ei;
            while (ej < nb && isDigit(b.at(ej)))
                ++ej;
            const qsizetype la = ei - si;
            const qsizetype lb = ej - sj;
            if (la != lb)
                return la < lb ? -1 : 1;
            for (qsizetype k = 0; k < la; ++k) {
                if (a.at(si + k) != b.at(sj + k))
                    return a.at(si + k) < b.at(sj + k) ? -1 : 1;
            }
            // Same value: fewer leading zeros first ("1" before "01").
            if ((ei - i) != (ej - j))
                return (ei - i) < (ej - j) ? -1 : 1;
            i = ei;
            j = ej;
            continue;
        }
        const QChar ca = a.at(i).toCaseFolded();
        const QChar cb = b.at(j).toCaseFolded();
        if (ca != cb)
            return ca.unicode() < cb.unicode() ? -1 : 1;
        ++i;
        ++j;
    }
    if (i < na)
        return 1;
    if (j < nb)
        return -1;
    return 0;
}

} // namespace

int naturalCompare(const QString& a, const QString& b)
{
    if (const int c = compareFolded(a, b); c != 0)
        return c;
    return a.compare(b, Qt::CaseSensitive) < 0 ? -1 : (a == b ? 0 : 1);
}

} // namespace vello
