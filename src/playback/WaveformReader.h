#pragma once

#include <QString>

#include <stop_token>
#include <vector>

// Turns an audio file into peak levels for the player bar's waveform: one value in 0…1 per bin,
// the loudest absolute sample of any channel within the bin's share of the file, normalised so the
// loudest bin is exactly 1. Reads the whole file once at its own rate; memory stays bounded by one
// decoded block and the result.
namespace WaveformReader {

// Blocking; run it off the user-interface thread. An empty list for bins < 1 or a file without
// frames. Throws SystemError when the file cannot be opened or read, AppFailure for a file without
// sound, Cancelled when stop is requested (checked once per block).
std::vector<float> read(QString path, int bins, std::stop_token stop = {});

} // namespace WaveformReader
