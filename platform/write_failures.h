#pragma once
// Settings writes that the disk refused, kept so that a program can tell its user once,
// in words, after a batch of writes. The old platform's writers only returned FALSE, and
// a program writing twenty keys in a row had no good place to look at each answer; here
// every writer of settings files (profile files, the registry file, autostart entries)
// also records its failure, and the program looks once at the end of the batch.
//
// A write that is refused because of what it would write (a line break in a value, a
// bad name) is the caller's mistake, not the disk's, and is not recorded.
#include <string>
#include <vector>

struct WriteFailure {
  std::string file;  // the file that could not be written (or removed)
  int error = 0;     // the system's error number
};

// Starts a batch: forgets the failures recorded so far.
void ClearWriteFailures();
// The failures since the last clear, one per file, in the order they first happened.
std::vector<WriteFailure> WriteFailures();
// For the writers: `error` is the errno of the call that failed (0 counts as EIO).
void RecordWriteFailure(const std::string& file, int error);

// The reason in plain words: "the disk is full", "permission denied", ...
std::string WriteFailureReason(int error);
// "<file>: <reason>", and for a list one such line per failure.
std::string DescribeWriteFailure(const WriteFailure& failure);
std::string DescribeWriteFailures(const std::vector<WriteFailure>& failures);
