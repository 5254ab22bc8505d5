// RecoveryCode: the erasure code of the recovery files, ISA-L's systematic
// Reed-Solomon code over GF(2^8) (polynomial 0x11d) with its Cauchy
// generator matrix. Rows 0 to k-1 of the matrix are the data parts
// themselves, rows k to k+n-1 the n recovery files; any k of the k+n rows
// give back the data. The code works on chunks: equal-length slices at the
// same offset of every part's data (zero-padded) and of every payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace fennimar {

class RecoveryCode {
 public:
  // The code of `dataCount` parts (1 to kMaxParts) and `recoveryCount`
  // recovery files (1 to kMaxRecoveryFiles).
  RecoveryCode(int dataCount, int recoveryCount);

  int dataCount() const { return k_; }
  int recoveryCount() const { return n_; }

  // Computes the n recovery chunks from the k data chunks, all `length`
  // bytes long.
  void Encode(std::size_t length, std::span<std::uint8_t* const> data,
              std::span<std::uint8_t* const> recovery) const;
  // Adds data part `dataIndex`'s share to the n recovery chunks, which start
  // as zeros: once every part has been added they hold what Encode gives, in
  // whatever order the parts came.
  void Add(std::size_t length, int dataIndex, const std::uint8_t* data,
           std::span<std::uint8_t* const> recovery) const;

  // The tables that give back lost data parts from k other rows.
  struct Rebuild {
    int sourceCount = 0;
    int lostCount = 0;
    std::vector<unsigned char> tables;
  };
  // For `sourceRows`, k distinct rows (a data part i as i, recovery file r as
  // k + r), and the data parts `lostParts` that are not among them: nullopt
  // when the rows are not k distinct rows of the code.
  std::optional<Rebuild> RebuildFrom(std::span<const int> sourceRows,
                                     std::span<const int> lostParts) const;
  // Computes the lost parts' chunks (in the order RebuildFrom was given
  // them) from the source rows' chunks (in theirs).
  static void Apply(const Rebuild& rebuild, std::size_t length,
                    std::span<std::uint8_t* const> sources, std::span<std::uint8_t* const> lost);

 private:
  int k_;
  int n_;
  std::vector<unsigned char> matrix_;  // (k + n) x k
  std::vector<unsigned char> tables_;  // the recovery rows' tables
};

}  // namespace fennimar
