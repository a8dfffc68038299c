// SPDX-License-Identifier: GPL-3.0-or-later
// The one file that talks to GIO: GNOME's proxy schema through GSettings.
#include "browsers/DesktopProxy.h"

#define G_SETTINGS_ENABLE_BACKEND
#include <cstring>
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>

namespace {

constexpr const char* ProxySchema = "org.gnome.system.proxy";

template <typename T, void (*Free)(T*)> struct TGFree {
  void operator()(T* p) const {
    if (p != nullptr)
      Free(p);
  }
};
void UnrefObject(GSettings* p) {
  g_object_unref(p);
}
using TSettingsPtr = std::unique_ptr<GSettings, TGFree<GSettings, UnrefObject>>;
using TVariantPtr = std::unique_ptr<GVariant, TGFree<GVariant, g_variant_unref>>;
using TSchemaPtr =
    std::unique_ptr<GSettingsSchema, TGFree<GSettingsSchema, g_settings_schema_unref>>;
using TSchemaKeyPtr =
    std::unique_ptr<GSettingsSchemaKey, TGFree<GSettingsSchemaKey, g_settings_schema_key_unref>>;

std::string PrintVariant(GVariant* value) {
  gchar* text = g_variant_print(value, FALSE);
  std::string result(text);
  g_free(text);
  return result;
}

class TGioDesktopProxy : public TDesktopProxy {
public:
  bool Available() override {
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (source == nullptr)
      return false;
    TSchemaPtr schema(g_settings_schema_source_lookup(source, ProxySchema, TRUE));
    return schema != nullptr;
  }

  std::optional<std::string> UserValue(std::string_view key) override {
    TSettingsPtr settings;
    std::string name;
    if (!Open(key, settings, name))
      return std::nullopt;
    TVariantPtr value(g_settings_get_user_value(settings.get(), name.c_str()));
    if (!value)
      return std::nullopt;
    return PrintVariant(value.get());
  }

  std::string Value(std::string_view key) override {
    TSettingsPtr settings;
    std::string name;
    if (!Open(key, settings, name))
      return {};
    TVariantPtr value(g_settings_get_value(settings.get(), name.c_str()));
    return PrintVariant(value.get());
  }

  bool Write(std::string_view key, const std::optional<std::string>& text) override {
    TSettingsPtr settings;
    std::string name;
    if (!Open(key, settings, name) || InMemoryOnly(settings.get()))
      return false;
    TVariantPtr wanted;
    if (text) {
      GSettingsSchema* rawSchema = nullptr;
      g_object_get(settings.get(), "settings-schema", &rawSchema, nullptr);
      const TSchemaPtr schema(rawSchema);
      TSchemaKeyPtr schemaKey(g_settings_schema_get_key(schema.get(), name.c_str()));
      GError* error = nullptr;
      wanted.reset(g_variant_parse(g_settings_schema_key_get_value_type(schemaKey.get()),
                                   text->c_str(), nullptr, nullptr, &error));
      if (!wanted) {
        g_error_free(error);
        return false;
      }
      if (!g_settings_set_value(settings.get(), name.c_str(), wanted.get()))
        return false;
    } else {
      g_settings_reset(settings.get(), name.c_str());
    }
    g_settings_sync();
    // A fresh object reads what the back-end holds now, not this one's cache.
    TSettingsPtr again;
    Open(key, again, name);
    TVariantPtr stored(g_settings_get_user_value(again.get(), name.c_str()));
    if (!wanted)
      return !stored;
    return stored && g_variant_equal(stored.get(), wanted.get());
  }

private:
  // "http/port" -> the child schema's settings and "port".
  bool Open(std::string_view key, TSettingsPtr& settings, std::string& name) {
    if (!Available())
      return false;
    std::string schema = ProxySchema;
    const std::size_t slash = key.find('/');
    if (slash != std::string_view::npos) {
      schema += '.';
      schema += key.substr(0, slash);
      name = std::string(key.substr(slash + 1));
    } else {
      name = std::string(key);
    }
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    TSchemaPtr found(g_settings_schema_source_lookup(source, schema.c_str(), TRUE));
    if (!found || !g_settings_schema_has_key(found.get(), name.c_str()))
      return false;
    settings.reset(g_settings_new(schema.c_str()));
    return settings != nullptr;
  }

  // GIO falls back to a memory back-end when no other works: every write then
  // reads back fine and is gone when the process ends.
  static bool InMemoryOnly(GSettings* settings) {
    GSettingsBackend* backend = nullptr;
    g_object_get(settings, "backend", &backend, nullptr);
    const bool memory =
        backend != nullptr && std::strstr(G_OBJECT_TYPE_NAME(backend), "Memory") != nullptr;
    if (backend != nullptr)
      g_object_unref(backend);
    return memory;
  }
};

} // namespace

std::unique_ptr<TDesktopProxy> CreateDesktopProxy() {
  return std::make_unique<TGioDesktopProxy>();
}
