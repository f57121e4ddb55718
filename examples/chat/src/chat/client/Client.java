package chat.client;

import chat.common.Connection;
import chat.common.Message;
import chat.common.TcpConnection;
import chat.crypto.Ciphers;
import chat.crypto.Encryption;
import chat.server.Server;
import chat.ui.ConsoleView;

import java.io.BufferedReader;
import java.io.IOException;
import java.io.InputStreamReader;

/**
 * The chat client: reads lines from the keyboard, sends them to the server
 * and shows what the server relays.
 */
public class Client {
    private final Connection connection;
    private final ConsoleView view = new ConsoleView(System.out);
    private Encryption cipher = Encryption.NONE;

    public Client(Connection connection) {
        this.connection = connection;
    }

    public static void main(String[] args) throws IOException {
        String name = args.length > 0 ? args[0] : System.getProperty("user.name");
        String password = args.length > 1 ? args[1] : "";
        Connection connection = TcpConnection.connect("localhost", Server.DEFAULT_PORT);
        Connection connection = new Server().connectLocal();
        Client client = new Client(connection);
        client.cipher = Ciphers.create(3);
        client.login(name, password);
        client.chat(new BufferedReader(new InputStreamReader(System.in)));
    }

    public void login(String name, String password) throws IOException {
        String hello = "HELLO " + name;
        hello += " " + password;
        hello += " ansi";
        connection.sendLine(hello);
        Thread receiver = new Thread(this::receive, "receiver");
        receiver.setDaemon(true);
        receiver.start();
    }

    public void chat(BufferedReader keyboard) throws IOException {
        String line;
        while ((line = keyboard.readLine()) != null) {
            if (line.equals("/quit")) {
                break;
            }
            connection.sendLine(cipher.encrypt(line));
        }
        connection.close();
    }

    private void receive() {
        try {
            String line;
            while ((line = connection.readLine()) != null) {
                if (line.indexOf('\t') < 0) {
                    view.notice(line);
                    continue;
                }
                Message message = Message.decode(line);
                message = message.withText(cipher.decrypt(message.getText()));
                view.show(message);
            }
            view.notice("The server closed the connection.");
        } catch (IOException e) {
            view.notice("Connection lost: " + e.getMessage());
        }
    }
}
