#include "mpris/MprisBus.h"

#include <gio/gio.h>

#include <memory>
#include <string>

#include "app/EventLog.h"

namespace mpris {

namespace {

constexpr const char* kIntrospection = R"(<node>
  <interface name="org.mpris.MediaPlayer2">
    <method name="Raise"/>
    <method name="Quit"/>
    <property name="CanQuit" type="b" access="read"/>
    <property name="CanRaise" type="b" access="read"/>
    <property name="HasTrackList" type="b" access="read"/>
    <property name="Identity" type="s" access="read"/>
    <property name="DesktopEntry" type="s" access="read"/>
    <property name="SupportedUriSchemes" type="as" access="read"/>
    <property name="SupportedMimeTypes" type="as" access="read"/>
  </interface>
  <interface name="org.mpris.MediaPlayer2.Player">
    <method name="Next"/>
    <method name="Previous"/>
    <method name="Pause"/>
    <method name="PlayPause"/>
    <method name="Stop"/>
    <method name="Play"/>
    <method name="Seek"><arg direction="in" name="Offset" type="x"/></method>
    <method name="SetPosition">
      <arg direction="in" name="TrackId" type="o"/>
      <arg direction="in" name="Position" type="x"/>
    </method>
    <method name="OpenUri"><arg direction="in" name="Uri" type="s"/></method>
    <signal name="Seeked"><arg name="Position" type="x"/></signal>
    <property name="PlaybackStatus" type="s" access="read"/>
    <property name="Rate" type="d" access="readwrite"/>
    <property name="Metadata" type="a{sv}" access="read"/>
    <property name="Volume" type="d" access="readwrite"/>
    <property name="Position" type="x" access="read"/>
    <property name="MinimumRate" type="d" access="read"/>
    <property name="MaximumRate" type="d" access="read"/>
    <property name="CanGoNext" type="b" access="read"/>
    <property name="CanGoPrevious" type="b" access="read"/>
    <property name="CanPlay" type="b" access="read"/>
    <property name="CanPause" type="b" access="read"/>
    <property name="CanSeek" type="b" access="read"/>
    <property name="CanControl" type="b" access="read"/>
  </interface>
</node>)";

struct Bus {
  std::unique_ptr<Remote> remote;
  AppActions app;
  GDBusNodeInfo* node = nullptr;
  GDBusConnection* connection = nullptr;
  guint owners[2] = {0, 0};  // the name, then the name with an instance suffix
  guint objects[2] = {0, 0};
  bool triedSuffix = false;
};
Bus* g_bus = nullptr;

GVariant* ToVariant(const Value& v) {
  struct Visitor {
    GVariant* operator()(bool b) const { return g_variant_new_boolean(b); }
    GVariant* operator()(int64_t x) const { return g_variant_new_int64(x); }
    GVariant* operator()(double d) const { return g_variant_new_double(d); }
    GVariant* operator()(const std::string& s) const {
      // A title from a file's tags or a stream may be any bytes; the bus takes UTF-8 only.
      if (g_utf8_validate(s.data(), static_cast<gssize>(s.size()), nullptr)) return g_variant_new_string(s.c_str());
      gchar* fixed = g_utf8_make_valid(s.data(), static_cast<gssize>(s.size()));
      GVariant* r = g_variant_new_string(fixed);
      g_free(fixed);
      return r;
    }
    GVariant* operator()(const StringList& l) const {
      GVariantBuilder b;
      g_variant_builder_init(&b, G_VARIANT_TYPE("as"));
      for (const auto& s : l) g_variant_builder_add(&b, "s", s.c_str());
      return g_variant_builder_end(&b);
    }
    GVariant* operator()(const Metadata& m) const {
      GVariantBuilder b;
      g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
      g_variant_builder_add(&b, "{sv}", "mpris:trackid", g_variant_new_object_path(m.trackId.c_str()));
      if (m.lengthMicros >= 0) g_variant_builder_add(&b, "{sv}", "mpris:length", g_variant_new_int64(m.lengthMicros));
      if (!m.title.empty()) g_variant_builder_add(&b, "{sv}", "xesam:title", (*this)(m.title));
      if (!m.url.empty()) g_variant_builder_add(&b, "{sv}", "xesam:url", (*this)(m.url));
      return g_variant_builder_end(&b);
    }
  };
  return std::visit(Visitor{}, v);
}

GVariant* PropertiesToVariant(const Properties& props) {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
  for (const auto& [name, value] : props) g_variant_builder_add(&b, "{sv}", name.c_str(), ToVariant(value));
  return g_variant_builder_end(&b);
}

void EmitChanged(const std::string& iface, const Properties& changed) {
  if (!g_bus || !g_bus->connection) return;
  GVariantBuilder invalidated;
  g_variant_builder_init(&invalidated, G_VARIANT_TYPE("as"));
  g_dbus_connection_emit_signal(g_bus->connection, nullptr, kObjectPath, "org.freedesktop.DBus.Properties",
                                "PropertiesChanged",
                                g_variant_new("(s@a{sv}as)", iface.c_str(), PropertiesToVariant(changed), &invalidated),
                                nullptr);
}

void EmitSeeked(int64_t position) {
  if (!g_bus || !g_bus->connection) return;
  g_dbus_connection_emit_signal(g_bus->connection, nullptr, kObjectPath, kPlayerInterface, "Seeked",
                                g_variant_new("(x)", static_cast<gint64>(position)), nullptr);
}

void OnMethodCall(GDBusConnection*, const gchar*, const gchar*, const gchar* iface, const gchar* method,
                  GVariant* params, GDBusMethodInvocation* invocation, gpointer) {
  // Answer first: an action may open a window or a requester that runs a loop of its own, and
  // the client must not wait for that.
  g_dbus_method_invocation_return_value(invocation, nullptr);
  if (!g_bus || !g_bus->remote) return;
  Remote& r = *g_bus->remote;
  const std::string m = method;
  AddLog("- Remote control : " + m);
  if (std::string(iface) == kRootInterface) {
    if (m == "Raise") r.Raise();
    else if (m == "Quit") r.Quit();
    return;
  }
  if (m == "PlayPause") r.PlayPause();
  else if (m == "Play") r.Play();
  else if (m == "Pause") r.Pause();
  else if (m == "Stop") r.Stop();
  else if (m == "Next") r.Next();
  else if (m == "Previous") r.Previous();
  else if (m == "Seek") {
    gint64 offset = 0;
    g_variant_get(params, "(x)", &offset);
    r.Seek(offset);
  } else if (m == "SetPosition") {
    const gchar* track = nullptr;
    gint64 position = 0;
    g_variant_get(params, "(&ox)", &track, &position);
    r.SetPosition(track, position);
  } else if (m == "OpenUri") {
    const gchar* uri = nullptr;
    g_variant_get(params, "(&s)", &uri);
    r.OpenUri(uri);
  }
}

GVariant* OnGetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* iface, const gchar* name,
                        GError** error, gpointer) {
  Value v;
  if (!g_bus || !g_bus->remote || !g_bus->remote->Get(iface, name, v)) {
    g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_UNKNOWN_PROPERTY, "No property %s", name);
    return nullptr;
  }
  return ToVariant(v);
}

gboolean OnSetProperty(GDBusConnection*, const gchar*, const gchar*, const gchar* iface, const gchar* name,
                       GVariant* value, GError** error, gpointer) {
  bool ok = false;
  if (g_bus && g_bus->remote && g_variant_is_of_type(value, G_VARIANT_TYPE_DOUBLE)) {
    AddLog(std::string("- Remote control : ") + name);
    ok = g_bus->remote->Set(iface, name, Value{g_variant_get_double(value)});
  }
  if (!ok) g_set_error(error, G_DBUS_ERROR, G_DBUS_ERROR_INVALID_ARGS, "Cannot set %s", name);
  return ok;
}

const GDBusInterfaceVTable kVTable = {OnMethodCall, OnGetProperty, OnSetProperty, {nullptr}};

void OnBusAcquired(GDBusConnection* connection, const gchar*, gpointer) {
  if (!g_bus || g_bus->connection) return;
  g_bus->connection = G_DBUS_CONNECTION(g_object_ref(connection));
  for (int i = 0; i < 2; ++i) {
    GError* error = nullptr;
    g_bus->objects[i] = g_dbus_connection_register_object(connection, kObjectPath, g_bus->node->interfaces[i],
                                                          &kVTable, nullptr, nullptr, &error);
    if (error) {
      AddLog(std::string("! Remote control : ") + error->message);
      g_error_free(error);
    }
  }
}

void OwnName(const std::string& name);

void OnNameAcquired(GDBusConnection*, const gchar* name, gpointer) {
  AddLog(std::string("* Remote control : ") + name);
}

void OnNameLost(GDBusConnection* connection, const gchar* name, gpointer) {
  if (!g_bus) return;
  if (!connection) {
    AddLog("! Remote control : no session bus");
    return;
  }
  // Another copy (a portable one beside the installed one) holds the name: take our own.
  if (!g_bus->triedSuffix) {
    g_bus->triedSuffix = true;
    // The connection's unique name (":1.42") tells this copy from the other one.
    std::string suffix = "instance";
    for (const char* c = g_dbus_connection_get_unique_name(connection); c && *c; ++c)
      if (g_ascii_isdigit(*c) || *c == '.') suffix += *c == '.' ? '_' : *c;
    OwnName(std::string(kBusName) + "." + suffix);
    return;
  }
  AddLog(std::string("! Remote control : name lost ") + name);
}

void OwnName(const std::string& name) {
  g_bus->owners[g_bus->triedSuffix ? 1 : 0] = g_bus_own_name(G_BUS_TYPE_SESSION, name.c_str(), G_BUS_NAME_OWNER_FLAGS_DO_NOT_QUEUE, OnBusAcquired,
                                OnNameAcquired, OnNameLost, nullptr, nullptr);
}

}  // namespace

bool StartRemoteControl(AppActions app) {
  if (g_bus) return true;
  GError* error = nullptr;
  GDBusNodeInfo* node = g_dbus_node_info_new_for_xml(kIntrospection, &error);
  if (!node) {
    AddLog(std::string("! Remote control : ") + (error ? error->message : ""));
    if (error) g_error_free(error);
    return false;
  }
  g_bus = new Bus;
  g_bus->node = node;
  g_bus->remote = std::make_unique<Remote>(std::move(app), EmitChanged, EmitSeeked);
  OwnName(kBusName);
  return true;
}

void StopRemoteControl() {
  if (!g_bus) return;
  Bus* bus = g_bus;
  bus->remote.reset();  // no more changes from the player
  for (guint id : bus->owners)
    if (id) g_bus_unown_name(id);
  if (bus->connection) {
    for (guint id : bus->objects)
      if (id) g_dbus_connection_unregister_object(bus->connection, id);
    g_dbus_connection_flush_sync(bus->connection, nullptr, nullptr);
    g_object_unref(bus->connection);
  }
  g_dbus_node_info_unref(bus->node);
  g_bus = nullptr;
  delete bus;
}

}  // namespace mpris
