#include "render/SoundFile.h"

#include <cctype>

namespace render {

SoundFile::~SoundFile() { close(); }

std::string SoundFile::openRead(const std::string& path) {
  close();
  path_ = path;
  info_ = SF_INFO{};
  file_ = sf_open(path.c_str(), SFM_READ, &info_);
  if (file_ == nullptr) return "cannot read input '" + path + "': " + sf_strerror(nullptr);
  if (info_.channels < 1 || info_.samplerate < 1) {
    close();
    return "cannot read input '" + path + "': no channels or no sample rate";
  }
  return {};
}

std::string SoundFile::openWrite(const std::string& path, int format, int channels,
                                 int sampleRate) {
  close();
  path_ = path;
  info_ = SF_INFO{};
  info_.format = format;
  info_.channels = channels;
  info_.samplerate = sampleRate;
  file_ = sf_open(path.c_str(), SFM_WRITE, &info_);
  if (file_ == nullptr) return "cannot write output '" + path + "': " + sf_strerror(nullptr);
  // Without clipping, out-of-range floats wrap around in integer formats.
  sf_command(file_, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  return {};
}

int64_t SoundFile::read(float* interleaved, int64_t frames, std::string& error) {
  if (file_ == nullptr) return 0;
  sf_count_t got = sf_readf_float(file_, interleaved, frames);
  if (got < frames && sf_error(file_) != SF_ERR_NO_ERROR)
    error = "cannot read input '" + path_ + "': " + sf_strerror(file_);
  return got;
}

std::string SoundFile::write(const float* interleaved, int64_t frames) {
  if (file_ == nullptr) return "output '" + path_ + "' is not open";
  if (sf_writef_float(file_, interleaved, frames) != frames)
    return "cannot write output '" + path_ + "': " + sf_strerror(file_);
  return {};
}

std::string SoundFile::close() {
  if (file_ == nullptr) return {};
  int status = sf_close(file_);
  file_ = nullptr;
  if (status != 0) return "cannot finish '" + path_ + "': " + sf_error_number(status);
  return {};
}

std::string SoundFile::formatFor(const std::string& path, int inputFormat, int channels,
                                 int sampleRate, int& format) {
  size_t dot = path.find_last_of('.');
  size_t slash = path.find_last_of('/');
  std::string ext;
  if (dot != std::string::npos && (slash == std::string::npos || dot > slash))
    for (char c : path.substr(dot + 1))
      ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  int major = 0;
  if (ext == "wav") major = SF_FORMAT_WAV;
  else if (ext == "flac") major = SF_FORMAT_FLAC;
  else if (ext == "aif" || ext == "aiff") major = SF_FORMAT_AIFF;
  else
    return "cannot tell the output format of '" + path + "': use .wav, .flac, .aif or .aiff";

  SF_INFO probe{};
  probe.channels = channels;
  probe.samplerate = sampleRate;
  int candidates[] = {(inputFormat & SF_FORMAT_TYPEMASK) == major ? inputFormat : 0,
                      major | (inputFormat & SF_FORMAT_SUBMASK), major | SF_FORMAT_PCM_24,
                      major | SF_FORMAT_PCM_16};
  for (int candidate : candidates) {
    if (candidate == 0) continue;
    probe.format = candidate;
    if (sf_format_check(&probe)) {
      format = candidate;
      return {};
    }
  }
  return "cannot write '" + path + "' with " + std::to_string(channels) + " channels at " +
         std::to_string(sampleRate) + " Hz";
}

}  // namespace render
