#include "platform/error.h"

#include <gtest/gtest.h>

TEST(Error, CarriesTheExactMessage) {
    const rl::Error error("Erro durante a preparação do relatório");
    EXPECT_STREQ(error.what(), "Erro durante a preparação do relatório");
}
