package chat.server;

import chat.common.Connection;
import chat.common.LocalConnection;
import chat.common.Message;
import chat.common.TcpConnection;
import chat.history.HistoryLog;

import java.io.IOException;
import java.net.ServerSocket;
import java.net.Socket;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;

/**
 * Accepts clients and relays every message to all of them.
 */
public class Server {
    public static final int DEFAULT_PORT = 4711;

    private final List<ClientHandler> clients = new CopyOnWriteArrayList<>();
    private final Authenticator authenticator = new Authenticator("users.txt");
    private final HistoryLog history = new HistoryLog("history.log");
    private final SpamFilter spamFilter = new SpamFilter(5, 10000);

    public static void main(String[] args) throws IOException {
        int port = args.length > 0 ? Integer.parseInt(args[0]) : DEFAULT_PORT;
        new Server().listen(port);
    }

    /** Accepts TCP clients until the process ends. */
    public void listen(int port) throws IOException {
        try (ServerSocket serverSocket = new ServerSocket(port)) {
            System.out.println("Chat server listening on port " + port);
            while (true) {
                Socket socket = serverSocket.accept();
                attach(new TcpConnection(socket));
            }
        }
    }

    /** Connects a client inside this JVM and returns the client's end. */
    public Connection connectLocal() {
        LocalConnection[] ends = LocalConnection.pair();
        attach(ends[0]);
        return ends[1];
    }

    private void attach(Connection connection) {
        ClientHandler handler = new ClientHandler(this, connection);
        clients.add(handler);
        Thread thread = new Thread(handler, "client-" + clients.size());
        thread.setDaemon(true);
        thread.start();
    }

    /** Called by a handler for every line its client sends. */
    void broadcast(ClientHandler from, Message message) {
        if (!spamFilter.accept(from.getUser(), message.getTime())) {
            from.send("Too many messages, please slow down.");
            history.append(new Message("server", "blocked: " + from.getUser()));
            return;
        }
        history.append(message);
        for (ClientHandler client : clients) {
            client.send(message.encode());
        }
    }

    void remove(ClientHandler handler) {
        clients.remove(handler);
    }

    Authenticator getAuthenticator() {
        return authenticator;
    }

    HistoryLog getHistory() {
        return history;
    }
}
