// Every widget test starts under the classic look (themes off); the tests of
// the themed look switch the style themselves and put it back.
#include "Themes.h"

#include <QApplication>
#include <QStyleFactory>
#include <gtest/gtest.h>

namespace {

class TClassicLook : public ::testing::Environment
{
public:
    void SetUp() override { QApplication::setStyle(QStyleFactory::create(QLatin1String(ClassicStyleName))); }
};

[[maybe_unused]] ::testing::Environment *const GClassicLook =
    ::testing::AddGlobalTestEnvironment(new TClassicLook);

} // namespace
