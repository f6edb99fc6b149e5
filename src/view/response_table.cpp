#include "view/response_table.h"

#include <cstddef>

#include "model/baffle_model.h"

namespace opbaff::view {
namespace {

class TableSink final : public RowSink {
  public:
    explicit TableSink(ResponseTable& table) : table_(table) {}
    void takeRow(const ModelRow& row) override {
        if (count_ < table_.rows.size()) table_.rows[count_++] = row;
    }

  private:
    ResponseTable& table_;
    std::size_t count_ = 0;
};

}  // namespace

ResponseTable computeResponseTable(const ParameterSet& parameters, const RunConstants& constants) {
    const SourceSpectra spectra = buildSourceSpectra(parameters, constants);
    ResponseTable table;
    table.frequency = spectra.frequency;
    TableSink sink(table);
    runSelectedModel(parameters, constants, spectra, sink);
    return table;
}

}  // namespace opbaff::view
