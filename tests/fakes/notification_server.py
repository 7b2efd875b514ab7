'''A notification server for python-dbusmock, standing in for desktops that cannot run here.

Parameters:
  name (str): what GetServerInformation answers. Default: "Plasma".
  inhibit (bool): offers Inhibit and UnInhibit with the property Inhibited, as KDE Plasma does:
                  an inhibition lasts until UnInhibit, or until the bus connection that asked
                  for it closes. Default: False.
'''

import dbus

BUS_NAME = 'org.freedesktop.Notifications'
MAIN_OBJ = '/org/freedesktop/Notifications'
MAIN_IFACE = 'org.freedesktop.Notifications'
SYSTEM_BUS = False


def load(mock, parameters):
    mock.AddMethods(MAIN_IFACE, [
        ('GetServerInformation', '', 'ssss',
         'ret = (%r, "test", "1.0", "1.2")' % parameters.get('name', 'Plasma')),
    ])
    mock.inhibitions = {}  # cookie: the unique name of the connection that asked
    mock.next_cookie = 1
    if not parameters.get('inhibit', False):
        return
    mock.AddProperties(MAIN_IFACE, {'Inhibited': dbus.Boolean(False)})
    for name in ('Inhibit', 'UnInhibit'):
        method = getattr(Inhibitions, name)
        setattr(mock.__class__, name, method)
        mock.methods[MAIN_IFACE][name] = (method._dbus_in_signature, method._dbus_out_signature,
                                          '', method)

    def owner_changed(name, old_owner, new_owner):
        if new_owner == '':
            for cookie in [c for c, owner in mock.inhibitions.items() if owner == name]:
                release(mock, cookie)
    mock.connection.add_signal_receiver(owner_changed, signal_name='NameOwnerChanged',
                                        dbus_interface='org.freedesktop.DBus',
                                        bus_name='org.freedesktop.DBus',
                                        path='/org/freedesktop/DBus')


def release(mock, cookie):
    mock.inhibitions.pop(cookie, None)
    mock.Set(MAIN_IFACE, 'Inhibited', dbus.Boolean(bool(mock.inhibitions)))


class Inhibitions:
    '''The methods of a server with inhibitions; added by load() only when asked for, since
    a client tells such a server by these methods in its introspection.'''

    @dbus.service.method(MAIN_IFACE, in_signature='ssa{sv}', out_signature='u',
                         sender_keyword='sender')
    def Inhibit(self, desktop_entry, reason, hints, sender):
        cookie = self.next_cookie
        self.next_cookie += 1
        self.inhibitions[cookie] = sender
        self.Set(MAIN_IFACE, 'Inhibited', dbus.Boolean(True))
        return dbus.UInt32(cookie)

    @dbus.service.method(MAIN_IFACE, in_signature='u', out_signature='')
    def UnInhibit(self, cookie):
        release(self, int(cookie))
