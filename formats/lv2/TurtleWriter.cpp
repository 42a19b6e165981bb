#include "formats/lv2/TurtleWriter.hpp"

#include "formats/lv2/Capacities.hpp"
#include "formats/lv2/PluginUris.hpp"
#include "formats/lv2/PortLayout.hpp"
#include "instrument/ParameterTable.hpp"
#include "instrument/PluginInfo.hpp"

#include <array>
#include <charconv>
#include <sstream>
#include <utility>

namespace quovent::lv2 {

namespace {

constexpr std::string_view kPrefixes = R"(@prefix atom: <http://lv2plug.in/ns/ext/atom#> .
@prefix bufsz: <http://lv2plug.in/ns/ext/buf-size#> .
@prefix doap: <http://usefulinc.com/ns/doap#> .
@prefix foaf: <http://xmlns.com/foaf/0.1/> .
@prefix log: <http://lv2plug.in/ns/ext/log#> .
@prefix lv2: <http://lv2plug.in/ns/lv2core#> .
@prefix midi: <http://lv2plug.in/ns/ext/midi#> .
@prefix opts: <http://lv2plug.in/ns/ext/options#> .
@prefix patch: <http://lv2plug.in/ns/ext/patch#> .
@prefix pg: <http://lv2plug.in/ns/ext/port-groups#> .
@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .
@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .
@prefix rsz: <http://lv2plug.in/ns/ext/resize-port#> .
@prefix state: <http://lv2plug.in/ns/ext/state#> .
@prefix time: <http://lv2plug.in/ns/ext/time#> .
@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .
@prefix units: <http://lv2plug.in/ns/extensions/units#> .
@prefix urid: <http://lv2plug.in/ns/ext/urid#> .
@prefix work: <http://lv2plug.in/ns/ext/worker#> .

)";

// The parameter table's unit texts and the LV2 units they are.
constexpr std::array<std::pair<std::string_view, std::string_view>, 9> kUnits{{
    {"%", "units:pc"},
    {"dB", "units:db"},
    {"Hz", "units:hz"},
    {"kHz", "units:khz"},
    {"ms", "units:ms"},
    {"s", "units:s"},
    {"BPM", "units:bpm"},
    {"semitones", "units:semitone12TET"},
    {"cents", "units:cent"},
}};

std::string iri(std::string_view uri) {
    return "<" + std::string(uri) + ">";
}

// Every slot's controls form a group, so hosts that lay out by group show slot by slot.
std::string slotGroup(int slot) {
    return std::string(PluginUris::kPlugin) + "#slot" + std::to_string(slot + 1) + "_controls";
}

void writeProperties(std::ostringstream& out) {
    for (int i = 0; i < capacity::kProperties; ++i) {
        out << iri(PluginUris::property(i)) << "\n"
            << "\ta lv2:Parameter ;\n"
            << "\trdfs:label " << TurtleWriter::quoted(PluginUris::propertyLabel(i)) << " ;\n"
            << "\trdfs:range atom:Path .\n\n";
    }
}

void writeGroups(std::ostringstream& out) {
    for (int pair = 1; pair <= quovent::capacity::kOutputPairs; ++pair) {
        out << iri(PluginUris::outputGroup(pair)) << "\n"
            << "\ta pg:OutputGroup , pg:StereoGroup ;\n"
            << "\tlv2:symbol \"out" << pair << "\" ;\n"
            << "\trdfs:label "
            << TurtleWriter::quoted(
                   PluginInfo::kOutputPairNames[static_cast<std::size_t>(pair - 1)])
            << " .\n\n";
    }
    for (int slot = 0; slot < quovent::capacity::kRowSlots; ++slot) {
        out << iri(slotGroup(slot)) << "\n"
            << "\ta pg:InputGroup ;\n"
            << "\tlv2:symbol \"slot" << slot + 1 << "_controls\" ;\n"
            << "\trdfs:label \"Slot " << slot + 1 << "\" .\n\n";
    }
}

void writeAtomPorts(std::ostringstream& out) {
    out << "\tlv2:port [\n"
        << "\t\ta lv2:InputPort , atom:AtomPort ;\n"
        << "\t\tlv2:index " << PortLayout::kControlIn << " ;\n"
        << "\t\tlv2:symbol \"control\" ;\n"
        << "\t\tlv2:name \"Control\" ;\n"
        << "\t\tatom:bufferType atom:Sequence ;\n"
        << "\t\tatom:supports midi:MidiEvent , time:Position , patch:Message ;\n"
        << "\t\tlv2:designation lv2:control ;\n"
        << "\t\trsz:minimumSize " << capacity::kAtomBufferBytes << " ;\n"
        << "\t] , [\n"
        << "\t\ta lv2:OutputPort , atom:AtomPort ;\n"
        << "\t\tlv2:index " << PortLayout::kNotifyOut << " ;\n"
        << "\t\tlv2:symbol \"notify\" ;\n"
        << "\t\tlv2:name \"Notify\" ;\n"
        << "\t\tatom:bufferType atom:Sequence ;\n"
        << "\t\tatom:supports patch:Message ;\n"
        << "\t\tlv2:designation lv2:control ;\n"
        << "\t\trsz:minimumSize " << capacity::kAtomBufferBytes << " ;\n"
        << "\t]";
}

void writeAudioPorts(std::ostringstream& out) {
    for (std::uint32_t port = PortLayout::kFirstAudioOut; port < PortLayout::kFirstParameter;
         ++port) {
        const int pair = PortLayout::outputPair(port);
        const bool right = PortLayout::isRight(port);
        out << " , [\n"
            << "\t\ta lv2:OutputPort , lv2:AudioPort ;\n"
            << "\t\tlv2:index " << port << " ;\n"
            << "\t\tlv2:symbol \"out" << pair << (right ? "_r" : "_l") << "\" ;\n"
            << "\t\tlv2:name \"quov " << pair << (right ? " R" : " L") << "\" ;\n"
            << "\t\tpg:group " << iri(PluginUris::outputGroup(pair)) << " ;\n"
            << "\t\tlv2:designation " << (right ? "pg:right" : "pg:left") << " ;\n"
            << "\t]";
    }
}

std::string_view unitOf(const ParameterInfo& info) {
    for (const auto& [text, unit] : kUnits) {
        if (text == info.unit) {
            return unit;
        }
    }
    throw TurtleWriter::UnknownUnit("parameter " + std::string(info.symbolText()) +
                                    ": no LV2 unit for '" + std::string(info.unit) + "'");
}

void writeParameterPort(std::ostringstream& out, std::uint32_t port, const ParameterInfo& info) {
    out << " , [\n"
        << "\t\ta lv2:InputPort , lv2:ControlPort ;\n"
        << "\t\tlv2:index " << port << " ;\n"
        << "\t\tlv2:symbol " << TurtleWriter::quoted(info.symbolText()) << " ;\n"
        << "\t\tlv2:name " << TurtleWriter::quoted(info.nameText()) << " ;\n"
        << "\t\tlv2:shortName " << TurtleWriter::quoted(info.shortNameText()) << " ;\n"
        << "\t\tlv2:default " << TurtleWriter::decimal(info.defaultValue) << " ;\n"
        << "\t\tlv2:minimum " << TurtleWriter::decimal(info.minimum) << " ;\n"
        << "\t\tlv2:maximum " << TurtleWriter::decimal(info.maximum) << " ;\n";
    if (info.slot >= 0) {
        out << "\t\tpg:group " << iri(slotGroup(info.slot)) << " ;\n";
    }
    if (!info.unit.empty()) {
        out << "\t\tunits:unit " << unitOf(info) << " ;\n";
    }
    if (info.kind == ParameterKind::Toggle) {
        out << "\t\tlv2:portProperty lv2:toggled ;\n";
    } else if (info.kind == ParameterKind::Choice) {
        out << "\t\tlv2:portProperty lv2:integer , lv2:enumeration ;\n";
        for (int i = 0; i < info.labelCount; ++i) {
            out << "\t\tlv2:scalePoint [ rdfs:label "
                << TurtleWriter::quoted(info.labels[static_cast<std::size_t>(i)]) << " ; rdf:value "
                << TurtleWriter::decimal(info.minimum + static_cast<float>(i)) << " ] ;\n";
        }
    }
    out << "\t]";
}

} // namespace

std::string TurtleWriter::manifest() {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
        << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << iri(PluginUris::kPlugin) << "\n"
        << "\ta lv2:Plugin ;\n"
        << "\tlv2:binary " << iri(PluginUris::kBinary) << " ;\n"
        << "\trdfs:seeAlso " << iri(kPluginFile) << " .\n\n"
        << iri(PluginUris::kUi) << "\n"
        << "\ta ui:X11UI ;\n"
        << "\tlv2:binary " << iri(PluginUris::kBinary) << " ;\n"
        << "\trdfs:seeAlso " << iri(kUiFile) << " .\n";
    return out.str();
}

std::string TurtleWriter::plugin() {
    std::ostringstream out;
    out << kPrefixes;
    writeProperties(out);
    writeGroups(out);
    out << iri(PluginUris::kPlugin) << "\n"
        << "\ta lv2:Plugin , lv2:InstrumentPlugin , doap:Project ;\n"
        << "\tdoap:name " << quoted(PluginInfo::kName) << " ;\n"
        << "\tdoap:maintainer [\n"
        << "\t\ta foaf:Organization ;\n"
        << "\t\tfoaf:name " << quoted(PluginInfo::kVendor) << " ;\n"
        << "\t\tfoaf:homepage <https://halvden.audio/>\n"
        << "\t] ;\n"
        << "\trdfs:comment \"An eight-slot sample step sequencer with twelve outputs in six "
           "stereo pairs.\" ;\n"
        << "\tlv2:minorVersion " << PluginInfo::kVersionMinor << " ;\n"
        << "\tlv2:microVersion " << PluginInfo::kVersionPatch << " ;\n"
        << "\tlv2:requiredFeature urid:map , work:schedule ;\n"
        << "\tlv2:optionalFeature lv2:hardRTCapable , log:log , opts:options , state:mapPath , "
           "state:freePath ;\n"
        << "\topts:supportedOption bufsz:maxBlockLength , bufsz:sequenceSize ;\n"
        << "\tlv2:extensionData state:interface , work:interface ;\n"
        << "\tui:ui " << iri(PluginUris::kUi) << " ;\n"
        << "\tpg:mainOutput " << iri(PluginUris::outputGroup(1)) << " ;\n";
    out << "\tpatch:writable ";
    for (int i = 0; i < capacity::kProperties; ++i) {
        out << (i == 0 ? "" : " ,\n\t\t") << iri(PluginUris::property(i));
    }
    out << " ;\n";
    writeAtomPorts(out);
    writeAudioPorts(out);
    std::uint32_t port = PortLayout::kFirstParameter;
    for (const ParameterInfo& info : ParameterTable::all()) {
        writeParameterPort(out, port++, info);
    }
    out << " .\n";
    return out.str();
}

std::string TurtleWriter::ui() {
    std::ostringstream out;
    out << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
        << "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n\n"
        << iri(PluginUris::kUi) << "\n"
        << "\ta ui:X11UI ;\n"
        // The editor embeds itself in the host's window, is driven by the host's idle calls
        // and is a view over the instance's own model, so it needs all three.
        << "\tlv2:requiredFeature ui:idleInterface , ui:parent , "
           "<http://lv2plug.in/ns/ext/instance-access> ;\n"
        << "\tlv2:optionalFeature ui:resize , ui:noUserResize ;\n"
        << "\tlv2:extensionData ui:idleInterface .\n";
    return out.str();
}

std::string TurtleWriter::decimal(float value) {
    std::array<char, 32> text{};
    const auto [end, error] = std::to_chars(text.data(), text.data() + text.size(), value);
    std::string result(text.data(), error == std::errc() ? end : text.data());
    if (result.find_first_of(".e") == std::string::npos) {
        result += ".0";
    }
    return result;
}

std::string TurtleWriter::quoted(std::string_view text) {
    std::string result = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            result += '\\';
        }
        result += c;
    }
    return result + "\"";
}

} // namespace quovent::lv2
