// Names each case of a parameterised test after its table row.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace testing_support {

struct CaseName {
  template <class Row>
  std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
    return row.param.name;
  }
};

}  // namespace testing_support
