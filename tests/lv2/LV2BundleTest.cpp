// The built LV2 bundle (build/quorvella.lv2) read through lilv as a host reads it, checked
// against the parameter table, the product's value names and texts, the factory programs
// and the port list of LV2Ports.h. Only files are read: no plug-in binary is loaded.
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/instance-access/instance-access.h>
#include <lv2/midi/midi.h>
#include <lv2/port-props/port-props.h>
#include <lv2/presets/presets.h>
#include <lv2/ui/ui.h>
#include <lv2/units/units.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <map>
#include <set>
#include <string>
#include <utility>

#include "dsp/BlockPreparation.h"
#include "dsp/FactoryPrograms.h"
#include "faces/lv2/LV2Ports.h"
#include "faces/lv2/LV2Uris.h"
#include "lv2/BundleWorld.h"
#include "lv2/UridMap.h"

using namespace lv2face;
using namespace lv2test;

namespace {

constexpr char kRdfsLabel[] = "http://www.w3.org/2000/01/rdf-schema#label";

std::set<std::string> uriSet(const LilvNodes* nodes) {
  std::set<std::string> result;
  if (!nodes) return result;
  LILV_FOREACH(nodes, i, nodes) result.insert(lilv_node_as_string(lilv_nodes_get(nodes, i)));
  return result;
}

bool endsWith(const std::string& text, const std::string& end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class LV2Bundle : public ::testing::Test {
 protected:
  void SetUp() override {
    plugin = bundle.plugin(kPluginUri);
    ASSERT_NE(plugin, nullptr) << "no plug-in " << kPluginUri << " in " << QUORVELLA_LV2_BUNDLE_DIR;
  }

  const LilvPort* port(uint32_t index) const {
    return lilv_plugin_get_port_by_index(plugin, index);
  }

  bool portIs(uint32_t index, const char* classUri) const {
    return lilv_port_is_a(plugin, port(index), bundle.uri(classUri).get());
  }

  bool portHas(uint32_t index, const char* propertyUri) const {
    return lilv_port_has_property(plugin, port(index), bundle.uri(propertyUri).get());
  }

  // The objects of (subject, predicate) statements, as texts.
  std::set<std::string> objects(const char* subject, const char* predicate) const {
    NodesOwner nodes(lilv_world_find_nodes(bundle.world(), bundle.uri(subject).get(),
                                           bundle.uri(predicate).get(), nullptr));
    return uriSet(nodes.get());
  }

  // The port's lv2:minimum, lv2:maximum and lv2:default; NaN where it has none.
  struct Range {
    float minimum, maximum, defaultValue;
  };
  Range range(uint32_t index) const {
    LilvNode *def = nullptr, *min = nullptr, *max = nullptr;
    lilv_port_get_range(plugin, port(index), &def, &min, &max);
    NodeOwner ownDef(def), ownMin(min), ownMax(max);
    auto value = [](const LilvNode* node) { return node ? lilv_node_as_float(node) : NAN; };
    return {value(min), value(max), value(def)};
  }

  BundleWorld bundle{QUORVELLA_LV2_BUNDLE_DIR};
  const LilvPlugin* plugin = nullptr;
};

TEST_F(LV2Bundle, PluginHasItsUriNameClassVersionAndFeatures) {
  EXPECT_TRUE(lilv_plugin_verify(plugin));
  NodeOwner name(lilv_plugin_get_name(plugin));
  ASSERT_NE(name, nullptr);
  EXPECT_STREQ(lilv_node_as_string(name.get()), kPluginName);

  const LilvPluginClass* pluginClass = lilv_plugin_get_class(plugin);
  ASSERT_NE(pluginClass, nullptr);
  EXPECT_STREQ(lilv_node_as_uri(lilv_plugin_class_get_uri(pluginClass)), LV2_CORE__PitchPlugin);

  // Hosts load the plug-in binary from the bundle; they may hide development versions
  // (an odd or zero minor version, an odd micro version).
  EXPECT_TRUE(endsWith(BundleWorld::path(lilv_plugin_get_library_uri(plugin)),
                       std::string(kBundleFolder) + "/" + kPluginBinary));
  NodeOwner minor(lilv_world_get(bundle.world(), lilv_plugin_get_uri(plugin),
                                 bundle.uri(LV2_CORE__minorVersion).get(), nullptr));
  NodeOwner micro(lilv_world_get(bundle.world(), lilv_plugin_get_uri(plugin),
                                 bundle.uri(LV2_CORE__microVersion).get(), nullptr));
  ASSERT_TRUE(minor && lilv_node_is_int(minor.get()));
  ASSERT_TRUE(micro && lilv_node_is_int(micro.get()));
  EXPECT_EQ(lilv_node_as_int(minor.get()), kMinorVersion);
  EXPECT_EQ(lilv_node_as_int(micro.get()), kMicroVersion);
  EXPECT_TRUE(kMinorVersion > 0 && kMinorVersion % 2 == 0 && kMicroVersion % 2 == 0);

  // MIDI events need URIDs; nothing else may keep a host from loading the plug-in.
  NodesOwner required(lilv_plugin_get_required_features(plugin));
  EXPECT_EQ(uriSet(required.get()), std::set<std::string>{LV2_URID__map});
  NodesOwner optional(lilv_plugin_get_optional_features(plugin));
  EXPECT_EQ(uriSet(optional.get()).count(LV2_CORE__hardRTCapable), 1u);
  // State is left to the plug-in's own binary to declare when it implements it.
  NodesOwner extensions(lilv_plugin_get_extension_data(plugin));
  EXPECT_EQ(uriSet(extensions.get()), std::set<std::string>{});
}

TEST_F(LV2Bundle, PortsFollowLV2PortsInOrderSymbolAndKind) {
  ASSERT_EQ(lilv_plugin_get_num_ports(plugin), static_cast<uint32_t>(kNumPorts));
  for (uint32_t i = 0; i < kNumPorts; ++i) {
    SCOPED_TRACE(kPortSymbols[i]);
    ASSERT_NE(port(i), nullptr);
    EXPECT_STREQ(lilv_node_as_string(lilv_port_get_symbol(plugin, port(i))), kPortSymbols[i]);
    NodeOwner name(lilv_port_get_name(plugin, port(i)));
    ASSERT_NE(name, nullptr);
    int32_t parameter = portParameter(i);
    EXPECT_STREQ(lilv_node_as_string(name.get()),
                 parameter >= 0 ? kQuorvellaParameters[parameter].name : fixedPortName(i));

    bool input = i <= kPortInputRight || i == kPortMidiIn || parameter >= 0;
    EXPECT_TRUE(portIs(i, input ? LV2_CORE__InputPort : LV2_CORE__OutputPort));
    EXPECT_FALSE(portIs(i, input ? LV2_CORE__OutputPort : LV2_CORE__InputPort));
    const char* kind = i <= kPortOutputRight ? LV2_CORE__AudioPort
                       : i == kPortMidiIn    ? LV2_ATOM__AtomPort
                                             : LV2_CORE__ControlPort;
    EXPECT_TRUE(portIs(i, kind));
    // Meters show from 0 up.
    if (i >= kPortPitchLeft) {
      EXPECT_EQ(range(i).minimum, 0.0f);
      EXPECT_GT(range(i).maximum, 0.0f);
    }
  }
  // Hosts find ports by symbol too: every symbol leads back to its own index.
  for (uint32_t i = 0; i < kNumPorts; ++i) {
    NodeOwner symbol(lilv_new_string(bundle.world(), kPortSymbols[i]));
    const LilvPort* found = lilv_plugin_get_port_by_symbol(plugin, symbol.get());
    ASSERT_NE(found, nullptr) << kPortSymbols[i];
    EXPECT_EQ(lilv_port_get_index(plugin, found), i);
  }
}

TEST_F(LV2Bundle, ParameterPortsCarryTheTablesRangesAndDefaultsInPlainUnits) {
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p) {
    const ParameterDescriptor& d = kQuorvellaParameters[p];
    SCOPED_TRACE(d.name);
    Range r = range(parameterPort(p));
    EXPECT_EQ(r.minimum, d.minimum);
    EXPECT_EQ(r.maximum, d.maximum);
    EXPECT_EQ(r.defaultValue, d.defaultValue);
  }
}

TEST_F(LV2Bundle, PortPropertiesAndUnitsFollowHowTheTableMapsEachUnit) {
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p) {
    const ParameterDescriptor& d = kQuorvellaParameters[p];
    uint32_t index = parameterPort(p);
    SCOPED_TRACE(d.name);
    // Hosts sweep hertz parameters on the same exponential scale as the VST face's
    // normalised values, which a logarithmic port can only do from above 0.
    EXPECT_EQ(portHas(index, LV2_PORT_PROPS__logarithmic), d.unit == kUnitHertz);
    if (d.unit == kUnitHertz) {
      EXPECT_GT(d.minimum, 0.0f);
      EXPECT_FLOAT_EQ(d.toPlain(0.5f), std::sqrt(d.minimum * d.maximum));
    }
    // The VST face rounds indexed values; on/off values are 0 or 1 at its ends.
    EXPECT_EQ(portHas(index, LV2_CORE__integer), d.unit == kUnitIndexed || d.unit == kUnitBeats);
    EXPECT_EQ(portHas(index, LV2_CORE__toggled), d.unit == kUnitBoolean);
    EXPECT_EQ(portHas(index, LV2_CORE__enumeration), quorvellaValueNameCount(p) > 0);

    // A host shows the unit the VST host shows as the label: the LV2 unit's symbol or
    // label is the VST face's label. Relative semitones have no VST label but an LV2 unit.
    NodeOwner unit(lilv_port_get(plugin, port(index), bundle.uri(LV2_UNITS__unit).get()));
    std::string label = parameterUnitLabel(d.unit);
    if (!unit) {
      EXPECT_EQ(label, "") << "the VST face labels it, the LV2 port has no unit";
      continue;
    }
    EXPECT_TRUE(lilv_world_ask(bundle.world(), unit.get(),
                               bundle.uri("http://www.w3.org/1999/02/22-rdf-syntax-ns#type").get(),
                               bundle.uri(LV2_UNITS__Unit).get()))
        << lilv_node_as_string(unit.get()) << " is not in the units vocabulary";
    NodeOwner symbol(
        lilv_world_get(bundle.world(), unit.get(), bundle.uri(LV2_UNITS__symbol).get(), nullptr));
    NodeOwner name(
        lilv_world_get(bundle.world(), unit.get(), bundle.uri(kRdfsLabel).get(), nullptr));
    if (d.unit == kUnitRelativeSemiTones) {
      EXPECT_STREQ(lilv_node_as_uri(unit.get()), LV2_UNITS__semitone12TET);
    } else {
      ASSERT_TRUE(symbol && name);
      EXPECT_TRUE(label == lilv_node_as_string(symbol.get()) ||
                  label == lilv_node_as_string(name.get()))
          << "VST label \"" << label << "\", LV2 unit " << lilv_node_as_string(unit.get());
    }
  }
}

TEST_F(LV2Bundle, ScalePointsAreTheProductsValueNamesAndTexts) {
  int32_t enumerations = 0;
  for (int32_t p = 0; p < kNumQuorvellaParameters; ++p) {
    const ParameterDescriptor& d = kQuorvellaParameters[p];
    SCOPED_TRACE(d.name);
    std::map<float, std::string> shown;
    ScalePointsOwner points(lilv_port_get_scale_points(plugin, port(parameterPort(p))));
    if (points) {
      LILV_FOREACH(scale_points, i, points.get()) {
        const LilvScalePoint* point = lilv_scale_points_get(points.get(), i);
        float value = lilv_node_as_float(lilv_scale_point_get_value(point));
        EXPECT_TRUE(value >= d.minimum && value <= d.maximum) << value;
        EXPECT_TRUE(
            shown.emplace(value, lilv_node_as_string(lilv_scale_point_get_label(point))).second);
      }
    }

    const char* const* names = quorvellaValueNames(p);
    const int32_t count = quorvellaValueNameCount(p);
    if (count > 0) {
      // An enumeration: one point for each value, named as the VST face names it.
      ++enumerations;
      ASSERT_EQ(shown.size(), static_cast<size_t>(count));
      for (int32_t n = 0; n < count; ++n)
        EXPECT_EQ(shown[d.minimum + static_cast<float>(n)], names[n]);
      continue;
    }
    // Every whole value in the range that the product shows as a text, and no other.
    std::map<float, std::string> texts;
    for (float v = std::ceil(d.minimum); v <= d.maximum; v += 1.0f)
      if (const char* text = quorvellaValueText(p, v)) texts[v] = text;
    EXPECT_EQ(shown, texts);
  }
  EXPECT_EQ(enumerations, 3) << "the three LFO shapes";
}

TEST_F(LV2Bundle, MidiPortIsAnOptionalSequenceOfMidiEvents) {
  const LilvPort* midi = port(kPortMidiIn);
  EXPECT_TRUE(lilv_port_supports_event(plugin, midi, bundle.uri(LV2_MIDI__MidiEvent).get()));
  NodeOwner buffer(lilv_port_get(plugin, midi, bundle.uri(LV2_ATOM__bufferType).get()));
  ASSERT_NE(buffer, nullptr);
  EXPECT_STREQ(lilv_node_as_uri(buffer.get()), LV2_ATOM__Sequence);
  // lv2apply and hosts without MIDI leave it unconnected.
  EXPECT_TRUE(portHas(kPortMidiIn, LV2_CORE__connectionOptional));
  for (uint32_t i = 0; i < kNumPorts; ++i) {
    if (i == kPortMidiIn) continue;
    EXPECT_FALSE(portHas(i, LV2_CORE__connectionOptional)) << kPortSymbols[i];
  }
}

TEST_F(LV2Bundle, LatencyPortIsDesignatedAndCoversEveryLookAhead) {
  EXPECT_TRUE(lilv_plugin_has_latency(plugin));
  EXPECT_EQ(lilv_plugin_get_latency_port_index(plugin), static_cast<uint32_t>(kPortLatency));
  const LilvPort* designated = lilv_plugin_get_port_by_designation(
      plugin, bundle.uri(LV2_CORE__OutputPort).get(), bundle.uri(LV2_CORE__latency).get());
  EXPECT_EQ(designated, port(kPortLatency));
  EXPECT_TRUE(portHas(kPortLatency, LV2_CORE__integer));
  // Every rate's look-ahead is inside the range, and the longest one is its top.
  Range r = range(kPortLatency);
  EXPECT_EQ(r.minimum, 0.0f);
  for (double rate : {8000.0, 22050.0, 44100.0, 48000.0, 96000.0, 192000.0}) {
    float lookAhead = static_cast<float>(BlockPreparation::lookAheadFor(rate));
    EXPECT_TRUE(lookAhead >= r.minimum && lookAhead <= r.maximum) << rate;
  }
  EXPECT_EQ(r.maximum, static_cast<float>(BlockPreparation::lookAheadFor(192000.0)));
}

TEST_F(LV2Bundle, UiIsAnEmbeddedX11UiReachingItsInstance) {
  UIsOwner uis(lilv_plugin_get_uis(plugin));
  ASSERT_NE(uis, nullptr);
  ASSERT_EQ(lilv_uis_size(uis.get()), 1u);
  const LilvUI* ui = lilv_uis_get_by_uri(uis.get(), bundle.uri(kUiUri).get());
  ASSERT_NE(ui, nullptr);
  EXPECT_TRUE(lilv_ui_is_a(ui, bundle.uri(LV2_UI__X11UI).get()));
  EXPECT_TRUE(endsWith(BundleWorld::path(lilv_ui_get_binary_uri(ui)),
                       std::string(kBundleFolder) + "/" + kUiBinary));

  EXPECT_EQ(objects(kUiUri, LV2_CORE__requiredFeature),
            (std::set<std::string>{LV2_UI__parent, LV2_INSTANCE_ACCESS_URI}));
  EXPECT_EQ(objects(kUiUri, LV2_CORE__optionalFeature),
            (std::set<std::string>{LV2_UI__idleInterface, LV2_UI__resize, LV2_UI__touch}));
  // The idle interface is a feature the host announces and extension data the UI gives.
  EXPECT_EQ(objects(kUiUri, LV2_CORE__extensionData), std::set<std::string>{LV2_UI__idleInterface});
}

// What lilv_state_emit_port_values hands a host: every value with its type.
struct EmittedValues {
  LV2_URID floatType;
  std::map<std::string, float> values;
  int32_t wrongTypes = 0;
  int32_t repeats = 0;

  static void take(const char* symbol, void* data, const void* value, uint32_t size,
                   uint32_t type) {
    auto* self = static_cast<EmittedValues*>(data);
    if (type != self->floatType || size != sizeof(float)) {
      ++self->wrongTypes;
      return;
    }
    if (!self->values.emplace(symbol, *static_cast<const float*>(value)).second) ++self->repeats;
  }
};

TEST_F(LV2Bundle, PresetsAreTheFactoryProgramsValueForValue) {
  NodesOwner related(lilv_plugin_get_related(plugin, bundle.uri(LV2_PRESETS__Preset).get()));
  ASSERT_NE(related, nullptr);
  EXPECT_EQ(lilv_nodes_size(related.get()), static_cast<unsigned>(kNumFactoryPrograms));

  UridMap map;
  for (int32_t p = 0; p < kNumFactoryPrograms; ++p) {
    const FactoryProgram& program = kFactoryPrograms[p];
    SCOPED_TRACE(program.name);
    NodeOwner preset = bundle.uri(presetUri(p));
    ASSERT_TRUE(lilv_nodes_contains(related.get(), preset.get()));
    // Every preset is in one file: only the first loads it, the others find it loaded.
    ASSERT_GE(lilv_world_load_resource(bundle.world(), preset.get()), p == 0 ? 1 : 0);

    StateOwner state(lilv_state_new_from_world(bundle.world(), map.feature(), preset.get()));
    ASSERT_NE(state, nullptr);
    EXPECT_STREQ(lilv_state_get_label(state.get()), program.name);
    EXPECT_STREQ(lilv_node_as_uri(lilv_state_get_plugin_uri(state.get())), kPluginUri);

    EmittedValues emitted{map.urid(LV2_ATOM__Float), {}};
    lilv_state_emit_port_values(state.get(), &EmittedValues::take, &emitted);
    EXPECT_EQ(emitted.wrongTypes, 0);
    EXPECT_EQ(emitted.repeats, 0);
    EXPECT_EQ(emitted.values.size(), static_cast<size_t>(kNumQuorvellaParameters));

    float values[kNumQuorvellaParameters];
    factoryProgramValues(program, values);
    for (int32_t i = 0; i < kNumQuorvellaParameters; ++i) {
      const char* symbol = kPortSymbols[parameterPort(i)];
      ASSERT_EQ(emitted.values.count(symbol), 1u) << symbol;
      // Bit for bit: the preset restores the program the VST face loads.
      EXPECT_EQ(emitted.values[symbol], values[i]) << symbol;
      // Inside the port's range, where no host moves it.
      Range r = range(parameterPort(i));
      EXPECT_TRUE(values[i] >= r.minimum && values[i] <= r.maximum) << symbol;
    }
  }
}

}  // namespace
