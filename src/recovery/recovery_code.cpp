#include "recovery/recovery_code.h"

#include <isa-l/erasure_code.h>

#include <algorithm>
#include <cassert>

namespace fennimar {

namespace {

// ISA-L's tables take 32 bytes for each coefficient.
constexpr std::size_t kTableBytes = 32;

}  // namespace

RecoveryCode::RecoveryCode(int dataCount, int recoveryCount)
    : k_(dataCount),
      n_(recoveryCount),
      matrix_(static_cast<std::size_t>((dataCount + recoveryCount) * dataCount)),
      tables_(kTableBytes * static_cast<std::size_t>(dataCount * recoveryCount)) {
  gf_gen_cauchy1_matrix(matrix_.data(), k_ + n_, k_);
  ec_init_tables(k_, n_, matrix_.data() + k_ * k_, tables_.data());
}

void RecoveryCode::Encode(std::size_t length, std::span<std::uint8_t* const> data,
                          std::span<std::uint8_t* const> recovery) const {
  assert(data.size() == static_cast<std::size_t>(k_));
  assert(recovery.size() == static_cast<std::size_t>(n_));
  ec_encode_data(static_cast<int>(length), k_, n_, const_cast<unsigned char*>(tables_.data()),
                 const_cast<unsigned char**>(data.data()),
                 const_cast<unsigned char**>(recovery.data()));
}

void RecoveryCode::Add(std::size_t length, int dataIndex, const std::uint8_t* data,
                       std::span<std::uint8_t* const> recovery) const {
  assert(recovery.size() == static_cast<std::size_t>(n_));
  ec_encode_data_update(
      static_cast<int>(length), k_, n_, dataIndex, const_cast<unsigned char*>(tables_.data()),
      const_cast<unsigned char*>(data), const_cast<unsigned char**>(recovery.data()));
}

std::optional<RecoveryCode::Rebuild> RecoveryCode::RebuildFrom(
    std::span<const int> sourceRows, std::span<const int> lostParts) const {
  const auto k = static_cast<std::size_t>(k_);
  if (sourceRows.size() != k || lostParts.empty()) return std::nullopt;
  // The source rows' part of the generator matrix, inverted, maps the
  // sources back onto the data; its rows of the lost parts rebuild them.
  std::vector<unsigned char> rows(k * k);
  for (std::size_t i = 0; i < k; ++i) {
    const int row = sourceRows[i];
    if (row < 0 || row >= k_ + n_) return std::nullopt;
    std::copy_n(matrix_.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(row) * k), k,
                rows.begin() + static_cast<std::ptrdiff_t>(i * k));
  }
  std::vector<unsigned char> inverse(k * k);
  if (gf_invert_matrix(rows.data(), inverse.data(), k_) != 0) return std::nullopt;
  std::vector<unsigned char> decode(lostParts.size() * k);
  for (std::size_t j = 0; j < lostParts.size(); ++j) {
    const int part = lostParts[j];
    if (part < 0 || part >= k_) return std::nullopt;
    std::copy_n(inverse.begin() + static_cast<std::ptrdiff_t>(static_cast<std::size_t>(part) * k),
                k, decode.begin() + static_cast<std::ptrdiff_t>(j * k));
  }
  Rebuild rebuild;
  rebuild.sourceCount = k_;
  rebuild.lostCount = static_cast<int>(lostParts.size());
  rebuild.tables.resize(kTableBytes * decode.size());
  ec_init_tables(k_, rebuild.lostCount, decode.data(), rebuild.tables.data());
  return rebuild;
}

void RecoveryCode::Apply(const Rebuild& rebuild, std::size_t length,
                         std::span<std::uint8_t* const> sources,
                         std::span<std::uint8_t* const> lost) {
  assert(sources.size() == static_cast<std::size_t>(rebuild.sourceCount));
  assert(lost.size() == static_cast<std::size_t>(rebuild.lostCount));
  ec_encode_data(static_cast<int>(length), rebuild.sourceCount, rebuild.lostCount,
                 const_cast<unsigned char*>(rebuild.tables.data()),
                 const_cast<unsigned char**>(sources.data()),
                 const_cast<unsigned char**>(lost.data()));
}

}  // namespace fennimar
