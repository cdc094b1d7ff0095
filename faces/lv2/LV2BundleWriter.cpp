#include "faces/lv2/LV2BundleWriter.h"

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <set>
#include <sstream>

#include "dsp/BlockPreparation.h"
#include "dsp/FactoryPrograms.h"
#include "faces/lv2/LV2Ports.h"
#include "faces/lv2/LV2Uris.h"

namespace lv2face {

namespace {

struct Prefix {
  const char* name;
  const char* uri;
};
constexpr Prefix kPrefixes[] = {
    {"atom", "http://lv2plug.in/ns/ext/atom#"},
    {"doap", "http://usefulinc.com/ns/doap#"},
    {"foaf", "http://xmlns.com/foaf/0.1/"},
    {"lv2", "http://lv2plug.in/ns/lv2core#"},
    {"midi", "http://lv2plug.in/ns/ext/midi#"},
    {"pprop", "http://lv2plug.in/ns/ext/port-props#"},
    {"pset", "http://lv2plug.in/ns/ext/presets#"},
    {"rdf", "http://www.w3.org/1999/02/22-rdf-syntax-ns#"},
    {"rdfs", "http://www.w3.org/2000/01/rdf-schema#"},
    {"ui", "http://lv2plug.in/ns/extensions/ui#"},
    {"units", "http://lv2plug.in/ns/extensions/units#"},
    {"urid", "http://lv2plug.in/ns/ext/urid#"},
};

// The @prefix lines of the named prefixes, in kPrefixes' order.
void writePrefixes(std::ostream& out, std::initializer_list<std::string> names) {
  for (const Prefix& prefix : kPrefixes)
    for (const std::string& name : names)
      if (name == prefix.name) out << "@prefix " << prefix.name << ": <" << prefix.uri << "> .\n";
  out << "\n";
}

constexpr char kInstanceAccess[] = "<http://lv2plug.in/ns/ext/instance-access>";

constexpr char kComment[] =
    "Measures its input one cycle at a time and replays each cycle at a pitch ratio, with "
    "an oscillator synced to the measured pitch, ring modulation, an envelope follower, a "
    "morphing filter and three LFOs.";

// Display ranges of the meter outputs; hosts take them as hints. The meters run from 0;
// the detected pitch can reach half the sample rate, the levels can pass 1 on loud input.
constexpr float kPitchMeterMaximum = 20000.0f;
constexpr float kLevelMeterMaximum = 1.0f;

std::string joined(const std::vector<std::string>& objects) {
  std::string out;
  for (const std::string& object : objects) out += (out.empty() ? "" : " , ") + object;
  return out;
}

std::string uri(const char* text) {
  return "<" + std::string(text) + ">";
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default: out += c;
    }
  }
  return out + "\"";
}

// The LV2 unit of a table unit code, or null where the table gives none or LV2 has none.
const char* lv2Unit(int32_t unit) {
  switch (unit) {
    case kUnitPercent: return "units:pc";
    case kUnitSeconds: return "units:s";
    case kUnitHertz: return "units:hz";
    case kUnitCents: return "units:cent";
    case kUnitRelativeSemiTones: return "units:semitone12TET";
    case kUnitDecibels: return "units:db";
    case kUnitBPM: return "units:bpm";
    case kUnitBeats: return "units:beat";
    case kUnitMilliseconds: return "units:ms";
    default: return nullptr;
  }
}

// Units whose plain values the VST face rounds to whole numbers.
bool isInteger(const ParameterDescriptor& d) {
  return d.unit == kUnitIndexed || d.unit == kUnitBeats;
}

bool isWhole(float v) {
  return std::isfinite(v) && v == std::trunc(v);
}

// A parameter's names cover its values when there is one for every whole value of its range.
bool namesCoverRange(const ParameterDescriptor& d, int32_t count) {
  return isInteger(d) && isWhole(d.minimum) && isWhole(d.maximum) &&
         static_cast<double>(d.maximum) - d.minimum + 1.0 == count;
}

bool isValidSymbol(const char* symbol) {
  if (!symbol || !*symbol || (*symbol >= '0' && *symbol <= '9')) return false;
  for (const char* c = symbol; *c; ++c) {
    bool letter = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z');
    if (!letter && *c != '_' && !(*c >= '0' && *c <= '9')) return false;
  }
  return true;
}

// Whole values of a range are probed for the product's texts only up to this many.
constexpr double kMostTextProbes = 100000.0;

struct ScalePoint {
  float value;
  const char* label;
};

std::vector<ScalePoint> scalePoints(int32_t index, const ParameterDescriptor& d) {
  std::vector<ScalePoint> points;
  const char* const* names = quorvellaValueNames(index);
  const int32_t count = quorvellaValueNameCount(index);
  if (count > 0) {
    for (int32_t i = 0; i < count; ++i)
      points.push_back({d.minimum + static_cast<float>(i), names[i]});
    return points;
  }
  if (!quorvellaHasValueTexts(index)) return points;
  double first = std::ceil(d.minimum), last = std::floor(d.maximum);
  if (!(last - first < kMostTextProbes)) return points;
  for (double v = first; v <= last; v += 1.0)
    if (const char* text = quorvellaValueText(index, static_cast<float>(v)))
      points.push_back({static_cast<float>(v), text});
  return points;
}

// One port's statements, each an "lv2:name ..." line without its separator.
using Statements = std::vector<std::string>;

Statements portStart(uint32_t port, const char* classes) {
  Statements statements = {std::string("a ") + classes, "lv2:index " + std::to_string(port),
                           "lv2:symbol " + quoted(kPortSymbols[port])};
  if (const char* name = fixedPortName(port)) statements.push_back("lv2:name " + quoted(name));
  return statements;
}

void addRange(Statements& statements, float minimum, float maximum) {
  statements.push_back("lv2:minimum " + LV2BundleWriter::number(minimum));
  statements.push_back("lv2:maximum " + LV2BundleWriter::number(maximum));
}

void writePort(std::ostream& out, uint32_t port, const Statements& statements) {
  out << (port == 0 ? "" : " , ") << "[\n";
  for (size_t i = 0; i < statements.size(); ++i)
    out << "        " << statements[i] << (i + 1 < statements.size() ? " ;\n" : "\n");
  out << "    ]";
}

void writeMeterPort(std::ostream& out, uint32_t port, float maximum, const char* unit) {
  Statements statements = portStart(port, "lv2:OutputPort , lv2:ControlPort");
  addRange(statements, 0.0f, maximum);
  if (unit) statements.push_back(std::string("units:unit ") + unit);
  writePort(out, port, statements);
}

}  // namespace

LV2BundleWriter::LV2BundleWriter(const ParameterDescriptor* parameters,
                                 std::vector<Program> programs)
    : parameters(parameters), programs(std::move(programs)) {}

std::vector<LV2BundleWriter::Program> LV2BundleWriter::factoryPrograms() {
  std::vector<Program> result;
  for (int32_t p = 0; p < kNumFactoryPrograms; ++p) {
    Program program;
    program.name = kFactoryPrograms[p].name;
    factoryProgramValues(kFactoryPrograms[p], program.values.data());
    result.push_back(program);
  }
  return result;
}

std::string LV2BundleWriter::number(float value) {
  // Not a number Turtle can write; faults() keeps such values out of the files.
  if (!std::isfinite(value)) return "0.0";
  char text[64];
  char* end = text + sizeof text;
  auto readsBack = [&](const char* last) {
    double wide = 0.0;
    auto read = std::from_chars(text, last, wide);
    return read.ec == std::errc() && static_cast<float>(wide) == value;
  };
  // The float's shortest form reads back as itself directly; read as a double first, as
  // lilv does, it almost always does too.
  std::string result;
  char* last = std::to_chars(text, end, value).ptr;
  if (readsBack(last)) {
    result.assign(text, last);
  } else {
    // Where it does not (a double rounding at a float's midpoint), the float's exact double.
    result.assign(text, std::to_chars(text, end, static_cast<double>(value)).ptr);
  }
  // A Turtle number without a point or an exponent would be an integer literal.
  if (result.find_first_of(".e") == std::string::npos) result += ".0";
  return result;
}

std::vector<std::string> LV2BundleWriter::faults() const {
  std::vector<std::string> found;
  auto range = [](const ParameterDescriptor& d) {
    return number(d.minimum) + " to " + number(d.maximum);
  };
  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) {
    const ParameterDescriptor& d = parameters[i];
    std::string name = std::string("parameter ") + std::to_string(i) + " \"" + d.name + "\"";
    if (!std::isfinite(d.minimum) || !std::isfinite(d.maximum) || !std::isfinite(d.defaultValue)) {
      found.push_back(name + ": its range or default is not a finite number");
      continue;
    }
    if (!(d.minimum < d.maximum)) {
      found.push_back(name + ": its range " + range(d) + " is empty");
      continue;
    }
    if (d.unit == kUnitHertz && !(d.minimum > 0.0f))
      found.push_back(name + ": a hertz range must start above 0 to be logarithmic, not " +
                      range(d));
    if (d.defaultValue < d.minimum || d.defaultValue > d.maximum)
      found.push_back(name + ": its default " + number(d.defaultValue) + " lies outside " +
                      range(d) + ", where hosts would move it");
    if (isInteger(d) && (!isWhole(d.minimum) || !isWhole(d.maximum) || !isWhole(d.defaultValue)))
      found.push_back(name +
                      ": an integer parameter needs whole numbers for its range and "
                      "default");
    const int32_t count = quorvellaValueNameCount(i);
    if (count > 0 && !namesCoverRange(d, count))
      found.push_back(name + ": its " + std::to_string(count) +
                      " value names do not name every whole value from " + range(d));
  }

  std::set<std::string> symbols;
  for (uint32_t port = 0; port < kNumPorts; ++port) {
    const char* symbol = kPortSymbols[port];
    if (!isValidSymbol(symbol))
      found.push_back("port " + std::to_string(port) + ": \"" + (symbol ? symbol : "") +
                      "\" is not an LV2 symbol");
    else if (!symbols.insert(symbol).second)
      found.push_back("port " + std::to_string(port) + ": the symbol \"" + symbol +
                      "\" is taken by an earlier port");
  }

  for (const Program& program : programs) {
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) {
      const ParameterDescriptor& d = parameters[i];
      float v = program.values[i];
      std::string where = "program \"" + program.name + "\": \"" + d.name + "\" ";
      if (!std::isfinite(v))
        found.push_back(where + "is not a finite number");
      else if (v < d.minimum || v > d.maximum)
        found.push_back(where + number(v) + " lies outside " + range(d) +
                        ", where hosts would move it");
      else if (isInteger(d) && !isWhole(v))
        found.push_back(where + number(v) + " is not a whole number");
    }
  }
  return found;
}

void LV2BundleWriter::writeManifest(std::ostream& out) const {
  writePrefixes(out, {"lv2", "pset", "rdfs"});
  out << uri(kPluginUri) << "\n"
      << "    a lv2:Plugin ;\n"
      << "    lv2:binary " << uri(kPluginBinary) << " ;\n"
      << "    rdfs:seeAlso " << uri(kDescriptionFile) << " .\n";
  for (size_t p = 0; p < programs.size(); ++p) {
    out << "\n<" << presetUri(static_cast<int32_t>(p)) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo " << uri(kPluginUri) << " ;\n"
        << "    rdfs:label " << quoted(programs[p].name) << " ;\n"
        << "    rdfs:seeAlso " << uri(kPresetsFile) << " .\n";
  }
}

void LV2BundleWriter::writeDescription(std::ostream& out) const {
  writePrefixes(
      out, {"atom", "doap", "foaf", "lv2", "midi", "pprop", "rdf", "rdfs", "ui", "units", "urid"});
  out << uri(kPluginUri) << "\n"
      << "    a lv2:Plugin , lv2:PitchPlugin , doap:Project ;\n"
      << "    doap:name " << quoted(kPluginName) << " ;\n"
      << "    doap:maintainer [\n"
      << "        foaf:name " << quoted(kMaintainerName) << "\n"
      << "    ] ;\n"
      << "    rdfs:comment " << quoted(kComment) << " ;\n"
      << "    lv2:minorVersion " << kMinorVersion << " ;\n"
      << "    lv2:microVersion " << kMicroVersion << " ;\n"
      << "    lv2:requiredFeature urid:map ;\n"
      << "    lv2:optionalFeature lv2:hardRTCapable ;\n"
      << "    ui:ui " << uri(kUiUri) << " ;\n"
      << "    lv2:port ";

  for (uint32_t port = kPortInputLeft; port <= kPortOutputRight; ++port) {
    bool input = port == kPortInputLeft || port == kPortInputRight;
    writePort(out, port,
              portStart(port, input ? "lv2:InputPort , lv2:AudioPort"
                                    : "lv2:OutputPort , lv2:AudioPort"));
  }

  Statements midi = portStart(kPortMidiIn, "lv2:InputPort , atom:AtomPort");
  midi.push_back("atom:bufferType atom:Sequence");
  midi.push_back("atom:supports midi:MidiEvent");
  midi.push_back("lv2:portProperty lv2:connectionOptional");
  writePort(out, kPortMidiIn, midi);

  for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) writeParameterPort(out, i);

  Statements latency = portStart(kPortLatency, "lv2:OutputPort , lv2:ControlPort");
  addRange(latency, 0.0f, static_cast<float>(BlockPreparation::kMaxLookAhead));
  latency.push_back("units:unit units:frame");
  latency.push_back("lv2:designation lv2:latency");
  latency.push_back("lv2:portProperty lv2:reportsLatency , lv2:integer");
  writePort(out, kPortLatency, latency);

  writeMeterPort(out, kPortPitchLeft, kPitchMeterMaximum, "units:hz");
  writeMeterPort(out, kPortPitchRight, kPitchMeterMaximum, "units:hz");
  writeMeterPort(out, kPortLevelLeft, kLevelMeterMaximum, nullptr);
  writeMeterPort(out, kPortLevelRight, kLevelMeterMaximum, nullptr);
  writeMeterPort(out, kPortEnvelopeLeft, kLevelMeterMaximum, nullptr);
  writeMeterPort(out, kPortEnvelopeRight, kLevelMeterMaximum, nullptr);
  out << " .\n\n";

  // The editor, embedded in the host's window and driven by its idle calls where the host
  // offers them; it reads meters and script state from the plug-in instance itself.
  out << uri(kUiUri) << "\n"
      << "    a ui:X11UI ;\n"
      << "    lv2:binary " << uri(kUiBinary) << " ;\n"
      << "    lv2:requiredFeature ui:parent , " << kInstanceAccess << " ;\n"
      << "    lv2:optionalFeature ui:idleInterface , ui:resize , ui:touch ;\n"
      << "    lv2:extensionData ui:idleInterface .\n";
}

void LV2BundleWriter::writeParameterPort(std::ostream& out, int32_t parameter) const {
  const ParameterDescriptor& d = parameters[parameter];
  uint32_t port = parameterPort(parameter);
  Statements statements = portStart(port, "lv2:InputPort , lv2:ControlPort");
  statements.push_back("lv2:name " + quoted(d.name));
  statements.push_back("lv2:default " + number(d.defaultValue));
  addRange(statements, d.minimum, d.maximum);
  if (const char* unit = lv2Unit(d.unit)) statements.push_back(std::string("units:unit ") + unit);

  std::vector<std::string> properties;
  if (d.unit == kUnitHertz) properties.push_back("pprop:logarithmic");
  if (isInteger(d)) properties.push_back("lv2:integer");
  if (d.unit == kUnitBoolean) properties.push_back("lv2:toggled");
  const int32_t count = quorvellaValueNameCount(parameter);
  if (count > 0 && namesCoverRange(d, count)) properties.push_back("lv2:enumeration");
  if (!properties.empty()) statements.push_back("lv2:portProperty " + joined(properties));

  std::vector<std::string> points;
  for (const ScalePoint& point : scalePoints(parameter, d))
    points.push_back("[\n            rdfs:label " + quoted(point.label) +
                     " ;\n            rdf:value " + number(point.value) + "\n        ]");
  if (!points.empty()) statements.push_back("lv2:scalePoint " + joined(points));
  writePort(out, port, statements);
}

void LV2BundleWriter::writePresets(std::ostream& out) const {
  writePrefixes(out, {"lv2", "pset", "rdfs"});
  for (size_t p = 0; p < programs.size(); ++p) {
    out << (p ? "\n" : "") << "<" << presetUri(static_cast<int32_t>(p)) << ">\n"
        << "    a pset:Preset ;\n"
        << "    lv2:appliesTo " << uri(kPluginUri) << " ;\n"
        << "    rdfs:label " << quoted(programs[p].name) << " ;\n"
        << "    lv2:port ";
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i)
      out << (i ? " , " : "") << "[\n"
          << "        lv2:symbol " << quoted(kPortSymbols[parameterPort(i)]) << " ;\n"
          << "        pset:value " << number(programs[p].values[i]) << "\n"
          << "    ]";
    out << " .\n";
  }
}

bool LV2BundleWriter::writeBundle(const std::string& folder, std::string& error) const {
  std::vector<std::string> found = faults();
  if (!found.empty()) {
    error.clear();
    for (const std::string& fault : found) error += fault + "\n";
    return false;
  }
  std::ostringstream manifest, description, presets;
  writeManifest(manifest);
  writeDescription(description);
  writePresets(presets);

  std::error_code code;
  std::filesystem::create_directories(folder, code);
  if (code) {
    error = "cannot create " + folder + ": " + code.message() + "\n";
    return false;
  }
  const std::pair<const char*, std::string> files[] = {{kManifestFile, manifest.str()},
                                                       {kDescriptionFile, description.str()},
                                                       {kPresetsFile, presets.str()}};
  for (const auto& [name, text] : files) {
    std::string path = (std::filesystem::path(folder) / name).string();
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (!file) {
      error = "cannot write " + path + "\n";
      return false;
    }
  }
  return true;
}

}  // namespace lv2face
