// The customUI XML of the Explorer ribbon: a tab of its own holding the "Brindle" group,
// dressed from the same string table as the toolbar.
#include <string_view>

#include "explorer/ribbon.h"
#include "platform/case_fold.h"

namespace tessaly::explorer {
namespace {

using String = std::u16string;
namespace cb = ribbon_callbacks;

String Escaped(std::u16string_view text) {
    String out;
    for (char16_t c : text) {
        switch (c) {
            case u'&':
                out += u"&amp;";
                break;
            case u'<':
                out += u"&lt;";
                break;
            case u'>':
                out += u"&gt;";
                break;
            case u'"':
                out += u"&quot;";
                break;
            default:
                out.push_back(c);
        }
    }
    return out;
}

String Attribute(std::u16string_view name, std::u16string_view value) {
    return String(u" ") + String(name) + u"=\"" + Escaped(value) + u"\"";
}

// A toolbar caption marks its access key with "&" ("&&" is an ampersand). The ribbon shows
// the label without the marks and offers the marked letter as the key tip.
struct Caption {
    String label;
    String keytip;
};

Caption SplitCaption(std::u16string_view caption) {
    Caption out;
    for (std::size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] != u'&' || i + 1 == caption.size()) {
            out.label.push_back(caption[i]);
            continue;
        }
        const char16_t next = caption[++i];
        out.label.push_back(next);
        if (next != u'&' && out.keytip.empty()) {
            out.keytip.push_back(platform::upperAscii(next));
        }
    }
    return out;
}

// The toolbar builds a button only when it has a caption, or both a face and a mask.
bool Dressed(const softphone::ButtonInfo& button) {
    return !button.sCaption.empty() || (button.iPictureId != 0 && button.iMaskId != 0);
}

bool HasFace(const softphone::ButtonInfo& button) {
    return button.iPictureId != 0 && button.iPictureId != -1;
}

String Button(const String& id, const softphone::ButtonInfo& info) {
    const Caption caption = SplitCaption(info.sCaption);
    String xml = u"<button" + Attribute(u"id", id) + Attribute(u"label", caption.label);
    if (!caption.keytip.empty()) {
        xml += Attribute(u"keytip", caption.keytip);
    }
    if (!info.sTooltipText.empty()) {
        xml += Attribute(u"screentip", info.sTooltipText);
    }
    xml +=
        HasFace(info) ? Attribute(u"getImage", cb::kGetImage) : Attribute(u"showImage", u"false");
    return xml + Attribute(u"getEnabled", cb::kGetEnabled) + Attribute(u"onAction", cb::kOnAction) +
           u"/>";
}

String ComboBox(const String& id, const softphone::Common& common) {
    String xml = u"<comboBox" + Attribute(u"id", id) +
                 Attribute(u"label", common.sEnterNumberText) + Attribute(u"showLabel", u"false");
    if (!common.sEnterNumberText.empty()) {
        xml += Attribute(u"screentip", common.sEnterNumberText);
    }
    // About as wide as the toolbar's combo box (220 pixels).
    return xml + Attribute(u"sizeString", u"+00 (000) 0000 0000 0000") +
           Attribute(u"getText", cb::kGetText) + Attribute(u"getItemCount", cb::kGetItemCount) +
           Attribute(u"getItemLabel", cb::kGetItemLabel) + Attribute(u"getItemID", cb::kGetItemID) +
           Attribute(u"onChange", cb::kOnChange) + u"/>";
}

}  // namespace

RibbonDefinition BuildRibbonDefinition(const softphone::Common& common) {
    RibbonDefinition definition;
    const String& prefix = common.sTagPrefix;
    const String name = common.sToolbarName.empty() ? String(u"Brindle") : common.sToolbarName;

    String controls;
    for (const RibbonItem item : kRibbonItems) {
        const ToolbarControlInfo& control = InfoOf(item);
        const String id = prefix + control.suffix;
        definition.ids[static_cast<std::size_t>(item)] = id;
        if (control.type == host::msoControlComboBox) {
            controls += ComboBox(id, common);
            continue;
        }
        const auto& info = common.Button(control.buttonRow);
        if (Dressed(info)) {
            controls += Button(id, info);
        }
    }
    definition.xml = String(u"<customUI") + Attribute(u"xmlns", host::kCustomUINamespace2009) +
                     Attribute(u"onLoad", cb::kOnLoad) + u"><ribbon><tabs><tab" +
                     Attribute(u"id", prefix + u"_Tab") + Attribute(u"label", name) + u"><group" +
                     Attribute(u"id", prefix + u"_Group") + Attribute(u"label", name) + u">" +
                     controls + u"</group></tab></tabs></ribbon></customUI>";
    return definition;
}

}  // namespace tessaly::explorer
