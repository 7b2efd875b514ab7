'''A desktop portal with global shortcuts, for python-dbusmock.

Parameters: registry (portal 1.21 on: a caller must register its app id first), shortcuts
(False: the portal offers no global shortcuts), refuse (BindShortcuts is cancelled, as when the
user says no). The test presses and releases a shortcut with org.freedesktop.portal.Test.Press.
'''

import dbus
import dbusmock
from gi.repository import GLib

BUS_NAME = 'org.freedesktop.portal.Desktop'
MAIN_OBJ = '/org/freedesktop/portal/desktop'
MAIN_IFACE = 'org.freedesktop.portal.GlobalShortcuts'
SYSTEM_BUS = False

REQUEST_IFACE = 'org.freedesktop.portal.Request'
REGISTRY_IFACE = 'org.freedesktop.host.portal.Registry'


def load(mock, parameters):
    mock.refuse = parameters.get('refuse', False)
    mock.needs_app_id = parameters.get('registry', False)
    mock.app_ids = {}
    mock.sessions = []
    if parameters.get('shortcuts', True):
        mock.AddProperties(MAIN_IFACE, {'version': dbus.UInt32(1)})
    if mock.needs_app_id:
        mock.AddProperties(REGISTRY_IFACE, {'version': dbus.UInt32(1)})


def sender_path(sender, kind, token):
    return '/org/freedesktop/portal/desktop/%s/%s/%s' % (kind, sender[1:].replace('.', '_'), token)


def answer(mock, sender, options, response, results):
    '''Makes the request object and answers on it once the call has returned.'''
    path = sender_path(sender, 'request', options['handle_token'])
    mock.AddObject(path, REQUEST_IFACE, {}, [])

    def respond():
        dbusmock.get_object(path).EmitSignal(REQUEST_IFACE, 'Response', 'ua{sv}',
                                             [dbus.UInt32(response), results])
        return False
    GLib.idle_add(respond)
    return dbus.ObjectPath(path)


def check_app_id(mock, sender):
    if mock.needs_app_id and sender not in mock.app_ids:
        raise dbus.exceptions.DBusException('a host program must register its app id first',
                                            name='org.freedesktop.portal.Error.NotAllowed')


@dbus.service.method(REGISTRY_IFACE, in_signature='sa{sv}', out_signature='',
                     sender_keyword='sender')
def Register(self, app_id, options, sender):
    if not self.needs_app_id:
        raise dbus.exceptions.DBusException('no such interface',
                                            name='org.freedesktop.DBus.Error.UnknownMethod')
    self.app_ids[sender] = app_id


@dbus.service.method(MAIN_IFACE, in_signature='a{sv}', out_signature='o', sender_keyword='sender')
def CreateSession(self, options, sender):
    check_app_id(self, sender)
    session = sender_path(sender, 'session', options['session_handle_token'])
    self.sessions.append(session)
    # Portal 1.16 hands the session over as a string.
    return answer(self, sender, options, 0, {'session_handle': dbus.String(session)})


@dbus.service.method(MAIN_IFACE, in_signature='oa(sa{sv})sa{sv}', out_signature='o',
                     sender_keyword='sender')
def BindShortcuts(self, session, shortcuts, parent_window, options, sender):
    check_app_id(self, sender)
    if self.refuse:
        return answer(self, sender, options, 1, {})
    bound = dbus.Array([], signature='(sa{sv})')
    for shortcut_id, properties in shortcuts:
        bound.append(dbus.Struct((shortcut_id, {
            'description': properties.get('description', ''),
            'trigger_description': properties.get('preferred_trigger', '')}), signature='sa{sv}'))
    return answer(self, sender, options, 0, {'shortcuts': bound})


@dbus.service.method('org.freedesktop.portal.Test', in_signature='s', out_signature='')
def Press(self, shortcut_id):
    '''One press and release of a shortcut, in every session.'''
    for session in self.sessions:
        for signal in ('Activated', 'Deactivated'):
            self.EmitSignal(MAIN_IFACE, signal, 'osta{sv}',
                            [dbus.ObjectPath(session), shortcut_id, dbus.UInt64(0), {}])
