// The market ranking under the tabs as a user sees it: three products a turn with their
// pictures, the next three ten seconds later, and a click that opens the product.

#include "tests/viewer/script/viewer_script.h"

namespace scripttest {
namespace {

using MarketSlots = ViewerScript;

TEST_F(MarketSlots, TwoTurnsAndAClick)
{
    WriteSettings({{"get_tag", "0"}});
    // Nine items, ranks 4 and 8 in another shop: the shop's products are ranks 1-3, 5-7, 9.
    m_sim->setFaults("market.seven");
    const nicosim::Catalogue& catalogue = m_sim->catalogue();
    const int ranks[2][3] = {{1, 2, 3}, {5, 6, 7}};
    // The second turn is told by its first caption (a product name of its own with this seed).
    ASSERT_NE(catalogue.marketItem(1).name, catalogue.marketItem(5).name);
    const int status = RunViewer("settext 1001 sm9\npress 1\nwaitfor 1046 " + catalogue.marketItem(1).name +
                                 " 60000\nwait 800\ndump first\nwaitfor 1046 " + catalogue.marketItem(5).name +
                                 " 60000\nwait 800\ndump second\nclick 1042\n", 180);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Log().find("failed"), std::string::npos) << Log();
    const char* dumps[2] = {"first", "second"};
    for (int turn = 0; turn < 2; ++turn) {
        const QJsonObject main = Window(Dump(dumps[turn]), 101);
        for (int slot = 0; slot < 3; ++slot) {
            const int rank = ranks[turn][slot];
            EXPECT_EQ(Text(Control(main, 1046 + slot)), catalogue.marketItem(rank).name) << turn << slot;
            // nicosim's product pictures are 60 + 4 rank by 50 + 4 rank pixels.
            EXPECT_EQ(Control(main, 1042 + slot)["bitmap"].toArray(), (QJsonArray{60 + 4 * rank, 50 + 4 * rank}))
                << turn << slot;
        }
    }
    const std::vector<QJsonObject> desktop = Desktop();
    ASSERT_EQ(desktop.size(), 1u);
    EXPECT_EQ(desktop[0]["address"].toString().toStdString(),
              "http://www.shop.example/dp/" + catalogue.marketItem(5).code +
                  "/?tag=pelmoravista-22&creative=1211&linkCode=as2&camp=247");
}

}  // namespace
}  // namespace scripttest
