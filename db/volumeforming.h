#pragma once

namespace Tarvo::Data {

class Database;

// What forming supplier orders meets in the volume data: requests with the three urgency kinds
// and none in turn, one supplier offer in five priced in dollars or euros with a quotation for
// every day of the documents' span, the rouble offers' currency '' and null in turn. Runs in
// the generator's transaction, after the requests, offers and urgency kinds are in.
class VolumeForming
{
public:
    static void run(Database& db, int spanDays, int urgencyKinds);
};

} // namespace Tarvo::Data
