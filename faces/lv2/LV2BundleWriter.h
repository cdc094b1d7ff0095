// Writes the LV2 bundle's description: manifest.ttl, the plug-in and its UI (quorvella.ttl)
// and the factory programs as presets (presets.ttl), from the parameter table, the programs
// and the port list of LV2Ports.h. Run at build time, so the description cannot drift from
// the table.
//
// Control ports carry plain values, as the table does: its ranges and defaults as they
// are, hertz parameters logarithmic (the mapping the VST face gives hosts), indexed ones
// integer (the VST face rounds them), on/off ones toggled. Indexed parameters whose values
// all have names are enumerations of those names; the product's texts for single whole
// values ("Off", "Track", the filter types) become scale points.
//
// What LV2 cannot say faithfully is refused rather than written approximately: see
// faults().
//
// Threading: any one thread; instances share nothing.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

#include "dsp/QuorvellaParameters.h"

namespace lv2face {

class LV2BundleWriter {
 public:
  struct Program {
    std::string name;
    std::array<float, kNumQuorvellaParameters> values;  // plain
  };

  // parameters: kNumQuorvellaParameters rows, kept by pointer for the writer's life.
  LV2BundleWriter(const ParameterDescriptor* parameters, std::vector<Program> programs);

  // The product's factory programs with all 40 values.
  static std::vector<Program> factoryPrograms();

  // One line for each thing the description could not say as the table and programs mean
  // it (a hertz range from 0 cannot be logarithmic, a default or a program value outside
  // its range would be moved by hosts, ...); empty when the bundle can be written.
  std::vector<std::string> faults() const;

  void writeManifest(std::ostream& out) const;
  void writeDescription(std::ostream& out) const;
  void writePresets(std::ostream& out) const;

  // Checks, then writes the three files into folder, creating it. On failure returns false
  // with the faults or the file error in error; with faults it writes nothing.
  bool writeBundle(const std::string& folder, std::string& error) const;

  // A Turtle number literal for value that every reader gets back exactly: the shortest
  // decimal that converts to the same float both directly and through a double (as lilv
  // reads it), always with a decimal point or an exponent.
  static std::string number(float value);

 private:
  void writeParameterPort(std::ostream& out, int32_t parameter) const;

  const ParameterDescriptor* parameters;
  std::vector<Program> programs;
};

}  // namespace lv2face
