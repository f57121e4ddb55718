package chat.server;

import chat.common.Connection;
import chat.common.Message;
import chat.history.HistoryLog;
import chat.ui.Colors;
import chat.ui.Emoticons;

import java.io.IOException;

/**
 * Serves one connected client on its own thread.
 * The client's first line is "HELLO name [password] [ansi]".
 */
public class ClientHandler implements Runnable {
    private final Server server;
    private final Connection connection;
    private String user = "anonymous";
    private boolean ansiTerminal;

    ClientHandler(Server server, Connection connection) {
        this.server = server;
        this.connection = connection;
    }

    String getUser() {
        return user;
    }

    @Override
    public void run() {
        try {
            String hello = connection.readLine();
            if (hello == null || !hello.startsWith("HELLO ")) {
                return;
            }
            String[] words = hello.split(" ");
            user = words.length > 1 ? words[1] : user;
            String password = words.length > 2 ? words[2] : "";
            ansiTerminal = hello.endsWith(" ansi");
            if (!server.getAuthenticator().check(user, password)) {
                send("Login failed.");
                return;
            }
            welcome();
            String line;
            while ((line = connection.readLine()) != null) {
                server.broadcast(this, new Message(user, line));
            }
        } catch (IOException e) {
            System.err.println("Lost connection to " + user + ": " + e.getMessage());
        } finally {
            server.remove(this);
            close();
        }
    }

    private void welcome() {
        send("Welcome, " + user + "!");
        if (server.getAuthenticator().isRegistered(user)) {
            send("You are logged in as " + user + ".");
            HistoryLog history = server.getHistory();
            if (history != null) {
                send("Your last messages:");
                for (Message message : history.last(user, 10)) {
                    String shown = message.getText();
                    if (ansiTerminal) {
                        shown = Colors.paint(user, shown);
                        shown = Emoticons.replace(shown);
                    }
                    send(shown);
                }
            }
        }
    }

    void send(String line) {
        try {
            connection.sendLine(line);
        } catch (IOException e) {
            close();
        }
    }

    private void close() {
        try {
            connection.close();
        } catch (IOException e) {
            // already gone
        }
    }
}
