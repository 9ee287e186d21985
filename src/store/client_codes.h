#pragma once

#include <QList>
#include <QStringList>

namespace kestrel {

class BaseComponent;

// Client codes that differ but that the database server compares as equal ("D1" and "d1", or
// "K7" and "K7 " under a case-insensitive collation), over the codes of OnlineRegInfo (all
// years), Owner1 and Main_Info1. The server joins such codes with each other's rows, and the
// base component refuses a change keyed by one of them. Each group holds its spellings in
// order; raises the failure of a statement. One grouping over all codes: at 100,000 clients
// about a third of a load, so once when the window loads rather than on every reload.
QList<QStringList> FindIndistinctClientCodes(BaseComponent& base);

// What the user is told about such groups; "" when there are none.
QString IndistinctCodesMessage(const QList<QStringList>& groups);

}  // namespace kestrel
